// The helpers that reach outside the process: library versions, the clipboard, mail.
#include <cstdint>

#include "TK/tk_logger.h"
#include "TK/tk_temp_chdir.h"
#include "TK/tk_utils.h"
#include "platform/win/win_library.h"
#include "platform/win/win_mail.h"
#include "platform/win/win_time.h"
#include "platform/win/win_format.h"

DWORD get_dll_version(const char* library) {
    HMODULE module = LoadLibraryA(library);
    if (!module) {
        tk_log(1, "get_dll_version failed to load DLL");
        return 0;
    }
    auto query = reinterpret_cast<DLLGETVERSIONPROC>(GetProcAddress(module, "DllGetVersion"));
    if (!query) {
        tk_log(1, "get_dll_version failed to obtain DllGetVersion");
        FreeLibrary(module);
        return 0;
    }
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    DWORD version = 0;
    if (query(&info) == 0) version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
    FreeLibrary(module);
    return version;
}

void tk_copy_to_clipboard2(const std::wstring& text) {
    tk_wlog(2, L"tk_copy_to_clipboard2(%s)", text.c_str());
    // No window system is attached to the toolkit; the wizard owns the clipboard.
}

void tk_send_bug(const std::string& title, const std::string& report) {
    tk_log(2, "tk_send_bug(%s|%s)", title.c_str(), report.c_str());
    win_mail_message message;
    message.subject = "Bug report on " + title;
    message.body = report;
    message.recipient = tk_support_mailbox;
    SYSTEMTIME st;
    GetLocalTime(&st);
    if (st.wYear != 0) {
        message.date_received =
            win_format("%d/%d/%d %d:%d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    }
    tk_temp_chdir keep_directory(".");
    std::string client = win_find_mail_client();
    if (client.empty()) {
        tk_log(2, "Failed to locate MAPI32.DLL");
        return;
    }
    tk_log(1, "lpfnMAPISendMail=%08X",
           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&win_send_mail)));
    int result = win_send_mail(client, message);
    tk_log(2, "lpfnMAPISendMail returns %d", result);
}
