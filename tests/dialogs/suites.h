#pragma once

// Each file of this suite runs its own Qt Test class; main.cpp runs them all in one
// QApplication and sums the failures.
int RunJpegDecoderTests(int argc, char** argv);
int RunAboutBoxTests(int argc, char** argv);
int RunTriggerDialogTests(int argc, char** argv);
int RunToolIconTests(int argc, char** argv);
