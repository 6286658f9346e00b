// The modal boxes on Qt. A box still open when the program ends (a termination signal, or
// Exit chosen from a menu opened meanwhile) is closed by the end of the event loops; it
// then answers as if cancelled, so the handler that opened it changes nothing.

#include "runtime/qt/QtDialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "runtime/qt/QtText.h"

namespace tarvolin {

int QtDialogs::MsgBox(const std::u16string& text, int buttons, const std::u16string& title) {
    const bool yesNo = buttons == MsgBoxYesNo;
    const int cancelled = yesNo ? MsgBoxResultNo : MsgBoxResultOk;
    if (!events_.Open()) return cancelled;

    QMessageBox box(QMessageBox::NoIcon, ToQString(title), ToQString(text));
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);  // Escape and closing the box answer No
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (!yesNo) return MsgBoxResultOk;
    return answer == QMessageBox::Yes && events_.Open() ? MsgBoxResultYes : MsgBoxResultNo;
}

std::u16string QtDialogs::InputBox(const std::u16string& prompt, const std::u16string& title,
                                   const std::u16string& defaultText) {
    if (!events_.Open()) return {};
    bool accepted = false;
    const QString text =
        QInputDialog::getText(nullptr, ToQString(title), ToQString(prompt), QLineEdit::Normal,
                              ToQString(defaultText), &accepted);
    if (!accepted || !events_.Open()) return {};
    return ToU16(text);
}

}  // namespace tarvolin
