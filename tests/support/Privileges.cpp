#include "support/Privileges.h"

#include <initializer_list>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

bool ObeyFilePermissions() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

const char* ObeyFilePermissionsPrefix() {
    // Root's capabilities after exec come from the bounding set.
    return ::geteuid() == 0 ? "setpriv --bounding-set -dac_override,-dac_read_search " : "";
}

} // namespace testsupport
