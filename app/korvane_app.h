#pragma once
// CKorvaneApp: the application object. Sets up fonts and Qt's own Chinese texts, runs the
// main window until it closes.

#include <QApplication>

class CKorvaneApp : public QApplication {
 public:
  CKorvaneApp(int& argc, char** argv);
  // Shows the main window and runs until it closes. The process's exit code.
  int Run();
};
