#pragma once

// test_archive_window runs two Qt Test classes in one QApplication: the archive's window
// (archive_window_test.cpp, which holds main) and the survey's (survey_window_test.cpp).
int RunSurveyWindowTests(int argc, char** argv);
