// A small dialog program with known behaviour, for checking the test driver and the harness
// themselves under Wine, independently of the installer.
//
// Usage: qar_testapp.exe MODE [ARGS]
//   exit CODE          ends at once with CODE, no window
//   crash              writes through a null pointer
//   flash              a visible dialog that ends during its initialisation (exit code 0)
//   novisible          the same from a template without WS_VISIBLE
//   veto               the same with WS_VISIBLE, refusing SWP_SHOWWINDOW once ended
//   msgbox FLAGS TEXT  MessageBoxA without owner, caption "qar testapp"; exit code = its result
//   dialog             a dialog titled "qar " + Chinese for "dialog box", with two sorted
//                      drop-down lists (1007, 1008), a static 1100 that reports mouse clicks as
//                      "down X,Y", Install (1) and Cancel (2). Install shows "port=P model=M" in
//                      a box owned by the dialog and ends with 1; Cancel ends with 2
//   hidden             an invisible dialog holding button 1004; command 1004 shows a box
//                      "command 1004" and ends the program with 7
//   grow               a dialog that shows itself during its initialisation with button 1 only
//                      and adds button 1007 half a second later; button 1 ends it with 1

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPortList = 1007;
constexpr int kModelList = 1008;
constexpr int kMouseReport = 1100;
constexpr int kHiddenCommand = 1004;

// Builds an in-memory dialog template (DLGTEMPLATE followed by DLGITEMTEMPLATEs).
class TemplateBuilder {
  public:
    TemplateBuilder(DWORD style, short cx, short cy, const wchar_t* title) {
        DLGTEMPLATE header{};
        header.style = style | DS_SETFONT;
        header.cx = cx;
        header.cy = cy;
        append(&header, sizeof header);
        word(0);  // menu
        word(0);  // class
        text(title);
        word(8);
        text(L"MS Shell Dlg");
    }

    void item(WORD atom, int id, DWORD style, short x, short y, short cx, short cy,
              const wchar_t* caption) {
        align();
        DLGITEMTEMPLATE entry{};
        entry.style = style | WS_CHILD | WS_VISIBLE;
        entry.x = x;
        entry.y = y;
        entry.cx = cx;
        entry.cy = cy;
        entry.id = static_cast<WORD>(id);
        append(&entry, sizeof entry);
        word(0xFFFF);
        word(atom);
        text(caption);
        word(0);  // no creation data
        ++count_;
        reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit = count_;
    }

    const DLGTEMPLATE* get() {
        align();
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

  private:
    void append(const void* data, size_t size) {
        const size_t used = bytes_.size();
        bytes_.resize(used + size);
        std::memcpy(bytes_.data() + used, data, size);
    }
    void word(WORD value) { append(&value, sizeof value); }
    void text(const wchar_t* value) { append(value, (std::wcslen(value) + 1) * sizeof(wchar_t)); }
    void align() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }

    std::vector<BYTE> bytes_;
    WORD count_ = 0;
};

constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

INT_PTR CALLBACK flash_proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// Ends during initialisation and refuses to be shown afterwards: Wine shows a dialog whose
// template has WS_VISIBLE right after WM_INITDIALOG even when it has ended.
INT_PTR CALLBACK veto_show_proc(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
    static bool ended = false;
    if (message == WM_INITDIALOG) {
        ended = true;
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (message == WM_WINDOWPOSCHANGING && ended) {
        reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_SHOWWINDOW;
        return TRUE;
    }
    return FALSE;
}

// Shown half built, as a dialog that shows itself before it has made all its controls.
INT_PTR CALLBACK grow_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ShowWindow(dialog, SW_SHOWNORMAL);
        Sleep(500);
        CreateWindowExW(0, L"BUTTON", L"Later", WS_CHILD | WS_VISIBLE, 10, 10, 60, 20, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPortList)), nullptr, nullptr);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

std::string selected_text(HWND dialog, int id) {
    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        return "";
    }
    char text[256] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text));
    return text;
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            for (const char* port : {"LPT1:", "COM3:", "COM1:"}) {
                SendDlgItemMessageA(dialog, kPortList, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(port));
            }
            for (const char* model : {"Tolvar-60", "Corvel 24", "FerraIII-60DX"}) {
                SendDlgItemMessageA(dialog, kModelList, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(model));
            }
            SendDlgItemMessageA(dialog, kPortList, CB_SETCURSEL, 0, 0);
            SendDlgItemMessageA(dialog, kModelList, CB_SETCURSEL, 0, 0);
            return TRUE;
        case WM_LBUTTONDOWN: {
            const std::string report = "down " +
                                       std::to_string(static_cast<short>(LOWORD(lparam))) + "," +
                                       std::to_string(static_cast<short>(HIWORD(lparam)));
            SetDlgItemTextA(dialog, kMouseReport, report.c_str());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                const std::string chosen = "port=" + selected_text(dialog, kPortList) +
                                           " model=" + selected_text(dialog, kModelList);
                MessageBoxA(dialog, chosen.c_str(), "qar testapp", MB_OK | MB_ICONINFORMATION);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK hidden_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wparam) == kHiddenCommand) {
        MessageBoxA(dialog, "command 1004", "qar testapp", MB_OK);
        DestroyWindow(dialog);
        PostQuitMessage(7);
        return TRUE;
    }
    return FALSE;
}

int run_dialog(HINSTANCE instance) {
    TemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, 203,
                            135, L"qar \u5c0d\u8a71\u65b9\u584a");
    builder.item(kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 85, 114, 50, 14, L"Install");
    builder.item(kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 145, 114, 50, 14, L"Cancel");
    builder.item(kComboBox, kPortList, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 27, 43,
                 118, 89, L"");
    builder.item(kComboBox, kModelList, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 27, 98,
                 118, 89, L"");
    builder.item(kStatic, kMouseReport, SS_LEFT, 10, 11, 137, 13, L"none");
    return static_cast<int>(
        DialogBoxIndirectParamW(instance, builder.get(), nullptr, dialog_proc, 0));
}

int run_hidden(HINSTANCE instance) {
    TemplateBuilder builder(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 214, 128, L"");
    builder.item(kButton, kHiddenCommand, BS_PUSHBUTTON, 15, 71, 48, 32, L"InstallDriver");
    HWND dialog = CreateDialogIndirectParamW(instance, builder.get(), nullptr, hidden_proc, 0);
    if (dialog == nullptr) {
        return 99;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const int argc = __argc;
    char** argv = __argv;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exit" && argc > 2) {
        return static_cast<int>(std::strtoul(argv[2], nullptr, 0));
    }
    if (mode == "crash") {
        *static_cast<volatile int*>(nullptr) = 1;
    }
    if (mode == "flash" || mode == "novisible" || mode == "veto" || mode == "grow") {
        const DWORD visible = mode == "novisible" || mode == "grow" ? 0 : WS_VISIBLE;
        TemplateBuilder builder(WS_POPUP | WS_CAPTION | DS_MODALFRAME | visible, 214, 128, L"");
        builder.item(kButton, IDOK, BS_DEFPUSHBUTTON, 157, 7, 50, 14, L"OK");
        const DLGPROC procedure = mode == "veto"   ? veto_show_proc
                                  : mode == "grow" ? grow_proc
                                                   : flash_proc;
        return static_cast<int>(
            DialogBoxIndirectParamW(instance, builder.get(), nullptr, procedure, 0));
    }
    if (mode == "msgbox" && argc > 3) {
        const auto flags = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
        return MessageBoxA(nullptr, argv[3], "qar testapp", flags);
    }
    if (mode == "dialog") {
        return run_dialog(instance);
    }
    if (mode == "hidden") {
        return run_hidden(instance);
    }
    return 64;
}
