# Every file that draws includes QCustomPlot's header, and with it the whole of Qt Widgets
# and Qt Print Support: parsing them took most of the build's time, a dozen seconds for
# each such file. They are parsed once, into a precompiled header that every window
# target shares.
#
# The header is compiled with the flags of the targets that use it; a target whose flags
# do not fit would not use it silently but fail to build (-Winvalid-pch, warnings being
# errors), so a mismatch cannot slip in unnoticed.
function(kelmor_add_widgets_pch)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/widgets_pch/widgets_pch.cpp CONTENT "")
  add_library(kelmor_widgets_pch OBJECT ${CMAKE_BINARY_DIR}/widgets_pch/widgets_pch.cpp)
  set_target_properties(kelmor_widgets_pch PROPERTIES AUTOMOC OFF AUTORCC OFF)
  target_link_libraries(kelmor_widgets_pch PRIVATE
    Qt6::Widgets Qt6::PrintSupport QCustomPlotQt6::QCustomPlotQt6)
  target_precompile_headers(kelmor_widgets_pch PRIVATE <qcustomplot.h>)
endfunction()

function(kelmor_use_widgets_pch)
  foreach(target ${ARGN})
    target_precompile_headers(${target} REUSE_FROM kelmor_widgets_pch)
  endforeach()
endfunction()
