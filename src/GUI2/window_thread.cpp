#include "GUI2/window_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

#include "TK/tk_exception.h"
#include "TK/tk_thread.h"
#include "TK/tk_utils.h"

bool is_window_thread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void on_window_thread(const std::function<void()>& work) {
    if (is_window_thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            // An exception must not cross the event loop; it travels back to the waiting thread.
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

void wait_for_thread(tk_thread& thread) {
    while (thread.is_running()) {
        if (is_window_thread() && QCoreApplication::instance()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QThread::msleep(2);
    }
    thread.release();
}

QString to_qt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

std::wstring from_qt(const QString& text) {
    return text.toStdWString();
}

std::wstring widen_ansi(const std::string& text) {
    try {
        return tk_ansi_to_unicode(text);
    } catch (const tk_exception&) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdWString();
    }
}

std::string to_ansi(const QString& text) {
    try {
        return tk_to_ansi(text.toStdWString());
    } catch (const tk_exception&) {
        return text.toStdString();
    }
}

QString cut_text(const QString& text, int limit) {
    return text.size() < limit ? text : text.left(limit - 1);
}
