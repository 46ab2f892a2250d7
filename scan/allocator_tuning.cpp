#include "scan/allocator_tuning.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void TuneAllocatorForScanning() {
#ifdef __GLIBC__
  mallopt(M_MXFAST, 0);
#endif
}
