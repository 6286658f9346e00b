// The input dialog's template and its dialog procedure.

#include "runtime/win32/InputDialog.h"

#include <windows.h>

namespace tarvolin {

namespace {

// Predefined window classes, as template atoms.
constexpr std::uint16_t ButtonClass = 0x0080;
constexpr std::uint16_t EditClass = 0x0081;
constexpr std::uint16_t StaticClass = 0x0082;

// Layout in dialog units.
constexpr short DialogWidth = 220;
constexpr short DialogHeight = 76;
constexpr short Margin = 7;
constexpr short ContentWidth = DialogWidth - 2 * Margin;
constexpr short ButtonWidth = 50;
constexpr short ButtonHeight = 14;

class TemplateWriter {
public:
    void Dword(DWORD value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFFU));
        Word(static_cast<std::uint16_t>(value >> 16U));
    }
    void Word(std::uint16_t value) { words_.push_back(value); }
    void Short(short value) { Word(static_cast<std::uint16_t>(value)); }
    void Text(const std::u16string& text) {
        for (const char16_t c : text) {
            // A NUL would end the template's string early; the edit box cannot show one.
            Word(c == u'\0' ? u' ' : static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, std::uint16_t id,
              std::uint16_t windowClass, const std::u16string& text) {
        AlignToDword();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);  // extended style
        Short(x);
        Short(y);
        Short(cx);
        Short(cy);
        Word(id);
        Word(0xFFFF);
        Word(windowClass);
        Text(text);
        Word(0);  // no creation data
    }
    std::vector<std::uint16_t> Take() { return std::move(words_); }

private:
    std::vector<std::uint16_t> words_;
};

struct DialogState {
    std::u16string text;
};

INT_PTR CALLBACK InputDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const HWND edit = GetDlgItem(dialog, InputEditId);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SetFocus(edit);
            SetForegroundWindow(dialog);
            return FALSE;  // the focus is set here
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
                const HWND edit = GetDlgItem(dialog, InputEditId);
                std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1,
                                    u'\0');
                const int length = GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()),
                                                  static_cast<int>(text.size()));
                text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
                state->text = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {  // Cancel, Escape and the close box
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

std::vector<std::uint16_t> InputDialogTemplate(const std::u16string& prompt,
                                               const std::u16string& title,
                                               const std::u16string& defaultText) {
    TemplateWriter out;
    out.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT |
              DS_SETFOREGROUND);
    out.Dword(0);  // extended style
    out.Word(4);   // controls
    out.Short(0);
    out.Short(0);
    out.Short(DialogWidth);
    out.Short(DialogHeight);
    out.Word(0);  // no menu
    out.Word(0);  // the standard dialog class
    out.Text(title);
    out.Word(8);
    out.Text(u"MS Shell Dlg");

    const short editTop = Margin + 26;
    const short buttonTop = DialogHeight - Margin - ButtonHeight;
    out.Item(SS_LEFT | SS_NOPREFIX, Margin, Margin, ContentWidth, 24, InputPromptId, StaticClass,
             prompt);
    out.Item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, Margin, editTop, ContentWidth, 14,
             InputEditId, EditClass, defaultText);
    out.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, DialogWidth - Margin - 2 * ButtonWidth - 4, buttonTop,
             ButtonWidth, ButtonHeight, IDOK, ButtonClass, u"OK");
    out.Item(BS_PUSHBUTTON | WS_TABSTOP, DialogWidth - Margin - ButtonWidth, buttonTop, ButtonWidth,
             ButtonHeight, IDCANCEL, ButtonClass, u"Cancel");
    return out.Take();
}

std::optional<std::u16string> RunInputDialog(const std::u16string& prompt,
                                             const std::u16string& title,
                                             const std::u16string& defaultText) {
    const std::vector<std::uint16_t> words = InputDialogTemplate(prompt, title, defaultText);
    DialogState state;
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
        InputDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return std::nullopt;
    return std::move(state.text);
}

}  // namespace tarvolin
