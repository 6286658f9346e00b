#pragma once
// An owned WinINet handle (session, connection or request), closed when it goes.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <wininet.h>
// clang-format on

#include <memory>

namespace tarvolin {

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

}  // namespace tarvolin
