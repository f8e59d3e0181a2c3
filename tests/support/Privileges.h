#pragma once

namespace testsupport {

// Makes the calling thread obey file permissions even when it runs as root, by dropping the
// capabilities that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) from its effective
// set. Meant for a forked child: a test of "the user may not read this" is real then, whoever
// runs the suite. Returns false when the capabilities could not be dropped.
bool ObeyFilePermissions();

// The command prefix that runs a program the same way ("" when not root, where permissions
// already hold).
const char* ObeyFilePermissionsPrefix();

} // namespace testsupport
