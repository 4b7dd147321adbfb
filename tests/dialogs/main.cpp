#include <QApplication>

#include "suites.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += RunJpegDecoderTests(argc, argv);
    failures += RunAboutBoxTests(argc, argv);
    failures += RunTriggerDialogTests(argc, argv);
    failures += RunToolIconTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
