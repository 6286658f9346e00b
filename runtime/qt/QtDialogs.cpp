// The modal boxes on Qt. A box still open when the program ends (a termination signal, or
// Exit chosen from a menu opened meanwhile) is closed by the end of the event loops; it
// then answers as if cancelled, so the handler that opened it changes nothing.

#include "runtime/qt/QtDialogs.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpacerItem>
#include <algorithm>
#include <memory>

#include "runtime/qt/QtText.h"

namespace tarvolin {

namespace {

// Window managers draw a title in a bold face of their own, often larger than the program's
// font, beside their buttons (close; on some desktops a menu, minimise and maximise too).
// Qt sizes a box for its own title font, so GNOME cut "Tarvolin Internet Notifier" short.
constexpr double TitleFontScale = 1.25;
constexpr int TitleBarButtonsPx = 150;

int WholeTitleWidth(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * TitleFontScale);
    return QFontMetrics(font).horizontalAdvance(title) + TitleBarButtonsPx;
}

// A message box fixes its own size from its layout when shown, so the width goes into the
// layout as a spacer the width of the title bar.
void WidenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    auto spacer = std::make_unique<QSpacerItem>(WholeTitleWidth(box.windowTitle()), 0,
                                                QSizePolicy::Minimum, QSizePolicy::Minimum);
    // The layout owns the spacer from here on.
    grid->addItem(spacer.release(), grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

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
    WidenForTitle(box);
    const int answer = box.exec();
    if (!yesNo) return MsgBoxResultOk;
    return answer == QMessageBox::Yes && events_.Open() ? MsgBoxResultYes : MsgBoxResultNo;
}

std::u16string QtDialogs::InputBox(const std::u16string& prompt, const std::u16string& title,
                                   const std::u16string& defaultText) {
    if (!events_.Open()) return {};
    QInputDialog box;
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(ToQString(title));
    box.setLabelText(ToQString(prompt));
    box.setTextValue(ToQString(defaultText));
    // The dialog's layout sets its minimum size itself; a size given before it is shown is kept.
    const QSize natural = box.sizeHint();
    box.resize(std::max(natural.width(), WholeTitleWidth(box.windowTitle())), natural.height());
    const bool accepted = box.exec() == QDialog::Accepted;
    if (!accepted || !events_.Open()) return {};
    return ToU16(box.textValue());
}

}  // namespace tarvolin
