#pragma once
// Dialogs port: the modal message box and input box.

#include <string>

namespace tarvolin {

// Button sets and answers of the message box, as the integers the boxes pass.
enum MsgBoxButtons : int { MsgBoxOkOnly = 0, MsgBoxYesNo = 4 };
enum MsgBoxResult : int { MsgBoxResultOk = 1, MsgBoxResultYes = 6, MsgBoxResultNo = 7 };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal; no icon; the first button is the default. buttons: MsgBoxOkOnly or MsgBoxYesNo.
    // Returns MsgBoxResultOk, MsgBoxResultYes or MsgBoxResultNo (closing a Yes/No box is No).
    virtual int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) = 0;
    // Modal, with OK and Cancel: the text in the box on OK, "" on Cancel or close.
    virtual std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultText) = 0;
};

}  // namespace tarvolin
