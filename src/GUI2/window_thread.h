// Helpers every window of the wizard uses: running work on the window thread from any thread,
// finding a control by its id, and turning the converter's narrow texts into window text.
//
// Only the window thread may touch widgets.  on_window_thread() is how the conversion run and the
// Oracle connection attempt, which run on worker threads, reach the windows: the worker waits
// until the window thread has done the work, and an exception raised there is raised again in the
// worker.  A thread that waits for a worker must keep the window thread's events flowing (see
// wait_for_thread) or both threads wait for each other.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>

class tk_thread;

// Runs `work` on the window thread and returns when it is done; at once when called there (or
// when there is no application object).  Exceptions of `work` pass to the caller.
void on_window_thread(const std::function<void()>& work);
// True on the window thread (or when there is no application object).
bool is_window_thread();

// Joins a worker thread without blocking the window thread's events: the worker may be waiting
// in on_window_thread.  Returns when the thread has ended; the thread object is released.
void wait_for_thread(tk_thread& thread);

// The objectName a control with this id carries.
inline QString ctrl_name(int id) {
    return QString::number(id);
}
// The control `id` below `parent`, or null.
template <class T = QWidget>
T* find_ctrl(const QWidget* parent, int id) {
    return parent ? parent->findChild<T*>(ctrl_name(id)) : nullptr;
}

// Wide text <-> window text.
QString to_qt(const std::wstring& text);
std::wstring from_qt(const QString& text);
// Narrow text in the thread's ANSI code page (UTF-8 bytes when that fails) -> wide text.
std::wstring widen_ansi(const std::string& text);
// Window text -> the ANSI code page ('?' for what it cannot hold is the code page's business).
std::string to_ansi(const QString& text);
// At most `limit` - 1 characters of a control's text, as the fixed buffers of the dialogs read it.
QString cut_text(const QString& text, int limit);
