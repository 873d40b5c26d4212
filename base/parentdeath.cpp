#include "base/parentdeath.h"

#include <csignal>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace orvanta {

void hangUpWithParent() {
#ifdef __linux__
    const pid_t parent = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGHUP) != 0) return;
    // The parent may have ended between the two calls: the kernel then never signals.
    if (::getppid() != parent) ::raise(SIGHUP);
#endif
}

}  // namespace orvanta
