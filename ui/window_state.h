#pragma once

#include "data/overlay.h"

namespace kelmor {

// The five views of the View menu.
enum class ChartView {
    PulseDistribution,
    PulseDistributionAndMean,
    PulseDistributionMeanAndMeanError,
    MeanAndMeanError,
    Mean,
};

// What the main window's controls follow. Handlers change this state and then derive the
// enabled, checked and visible state of every control from it in one place
// (`MainWindow::ApplyWindowState`), so no handler sets a control's state of its own.
struct WindowState {
    // The image. Save and the measurement list stay enabled once any decode found
    // measurements; the climate items follow the image decoded last.
    bool measurementsLoaded = false;
    bool climateRecorded = false;  // that image is a V6 or V7 one with measurements
    bool replacingImage = false;   // an open or a read-out is under way: climate items wait

    // The instrument, as the latest discovery pass and the commands left it.
    bool instrumentAttached = false;
    // The read-out button: armed by a pass that finds the instrument and by the end of a
    // read-out; disarmed by the start of a read-out or of an open and by a pass without
    // instrument (a failed exchange leaves it to the next pass).
    bool readOutArmed = false;
    // The trigger-level button appears with the first completed read-out, is enabled by
    // every completed read-out and disabled by a pass without instrument.
    bool levelShown = false;
    bool levelArmed = false;
    // While an exchange has the port only its Cancel acts.
    bool exchangeRunning = false;

    // The view.
    int chosenMeasurement = -1;  // the list entry on show, -1 none since the last decode
    bool allMeasurementsChosen = false;
    ChartView view = ChartView::PulseDistribution;
    OverlayChoice overlays;
    bool meanError = false;  // the mean views draw the mean's error bars
    bool chartShown = false;
    bool titleEditing = false;  // the title editor lies over the chart's title

    // The radon assessment. None chosen and the summary closed, as at start, the window
    // and the chart are as they have always been.
    int referencePreset = kNoReference;  // a preset of the reference levels, or one of these
    double typedReference = 0;           // Bq/m3, for kTypedReference
    bool summaryShown = false;

    // The radon archive. A read-out enters it at once; an opened data file only when the
    // user adds it. While the chart shows a place or a run of the archive there is no image
    // of the instrument's memory loaded, so nothing can be saved as a data file.
    bool archiveOpen = false;
    bool archiveWritable = false;
    bool archiveShown = false;          // the Archive panel
    bool showingArchive = false;        // a place or run of the archive is loaded
    bool openedFileArchivable = false;  // a data file is loaded that may be added
    // What is chosen in the Archive panel, which the survey's commands act on.
    bool siteChosen = false;   // a site, or a place or a run of one
    bool placeChosen = false;  // one place
    bool runChosen = false;    // one run
    bool sitesKept = false;    // the archive has sites

    static constexpr int kNoReference = -1;
    static constexpr int kTypedReference = -2;
};

}  // namespace kelmor
