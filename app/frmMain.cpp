// frmMain's construction and the bookkeeping every event shares.

#include "app/frmMain.h"

namespace tarvolin {

frmMain::frmMain(Ports ports)
    : ports_(ports), tray_(ports.shell), numberStore_(ports.codePage, ports.dialogs) {}

void frmMain::ShowError(const std::u16string& message) {
    ports_.dialogs.MsgBox(message, MsgBoxOkOnly, ErrorTitle);
}

void frmMain::End() {
    ended_ = true;
    ports_.window.End();
}

}  // namespace tarvolin
