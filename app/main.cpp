// korvane: the desktop program. Takes no arguments and keeps no settings.

#include "app/korvane_app.h"
#include "scan/allocator_tuning.h"

int main(int argc, char** argv) {
  TuneAllocatorForScanning();
  CKorvaneApp app(argc, argv);
  return app.Run();
}
