// korvane: the desktop program. Takes no arguments and keeps no settings.

#include "app/korvane_app.h"

int main(int argc, char** argv) {
  CKorvaneApp app(argc, argv);
  return app.Run();
}
