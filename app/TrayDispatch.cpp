// Tray callbacks: the shell reports each event as a mouse move of the window whose X, in
// twips, carries the notification code.

#include <cmath>
#include <limits>

#include "app/frmMain.h"

namespace tarvolin {

void frmMain::Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float x,
                             float /*y*/) {
    // X / twips per pixel, rounded to the nearest integer with halves to even (the default
    // rounding mode). A quotient that is not a number or does not fit is no code at all.
    const double quotient = static_cast<double>(x) / ports_.window.TwipsPerPixelX();
    if (!std::isfinite(quotient)) return;
    const double code = std::nearbyint(quotient);
    if (code < std::numeric_limits<std::int32_t>::min() ||
        code > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    TrayNotification(static_cast<std::int32_t>(code));
}

void frmMain::Form_MouseUp(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                           float /*y*/) {}

void frmMain::TrayNotification(std::int32_t code) {
    Handle([this, code] {
        switch (code) {
            case TrayLeftButtonUp:
                // While a balloon is up, a left click on the icon counts as a click on it.
                if (state_.balloonVisible == FieldFalse) {
                    mnuStatus_Click();
                } else {
                    BalloonClicked();
                }
                break;
            case TrayBalloonUserClick:
                BalloonClicked();
                break;
            case TrayRightButtonUp:
                ports_.window.PopupMenu(TopMenu::mnuContext);
                break;
            case TrayBalloonShow:
                state_.balloonVisible = FieldTrue;
                break;
            case TrayBalloonTimeout:
                state_.balloonVisible = FieldFalse;
                break;
            default:
                break;  // 512, 1027, button-down and double-click codes and any other
        }
    });
}

// The stored link and category are those of the last scan, not of the balloon on screen.
void frmMain::BalloonClicked() {
    if (state_.category == u"Download" && !state_.link.empty()) tray_.OpenLink(state_.link);
    state_.balloonVisible = FieldFalse;
}

}  // namespace tarvolin
