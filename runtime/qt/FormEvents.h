#pragma once
// The one door through which platform events reach the window: once the program has ended
// (the window's own End, an unload, a termination signal) the door stays shut, so no
// handler runs after the end even while nested event loops unwind.

#include <utility>

#include "app/frmMain.h"

namespace tarvolin {

class FormEvents {
public:
    void Attach(frmMain& form) { form_ = &form; }

    // Runs handler(form) unless there is no window yet or the program has ended.
    template <typename Handler>
    void Raise(Handler&& handler) {
        if (Open()) std::forward<Handler>(handler)(*form_);
    }

    void Shut() { shut_ = true; }
    [[nodiscard]] bool Open() const { return form_ != nullptr && !shut_ && !form_->Ended(); }

private:
    frmMain* form_ = nullptr;
    bool shut_ = false;
};

}  // namespace tarvolin
