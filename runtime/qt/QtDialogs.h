#pragma once
// Dialogs port on Qt: the message box and the input box, both modal and without an owner.

#include <string>

#include "ports/Dialogs.h"
#include "runtime/qt/FormEvents.h"

namespace tarvolin {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(const FormEvents& events) : events_(events) {}

    int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) override;
    std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override;

private:
    const FormEvents& events_;
};

}  // namespace tarvolin
