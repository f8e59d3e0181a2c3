// Must not compile: jobs sit below the shell and know no window.
#include "app/TfrmProgress.h"

int ProbeJobsIncludesShell() {
    return sizeof(TfrmProgress);
}
