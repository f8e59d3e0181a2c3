// Must not compile: one page does not reach into another.
#include "read/TReadCDPage.h"

int ProbePageIncludesPage() {
    return sizeof(TReadCDPage);
}
