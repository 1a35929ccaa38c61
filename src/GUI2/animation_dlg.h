// animation_dlg: the modal wait dialog (101) that animates while a worker thread does something
// slow: eight frames in the icon control 1301, one every 500 ms (timer id 0x30000).  The worker
// ends it with close_from_worker(), which is safe from any thread and may come before the dialog
// has appeared (the request waits in the window thread's queue).
// Thread-safety: window thread, except close_from_worker().
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

class animation_dlg : public QDialog {
public:
    animation_dlg(const QString& text, int first_icon, int frames, int interval_ms);

    // Asks the window thread to stop the frames and close the dialog with 0.
    void close_from_worker();
    int frame() const noexcept { return m_frame; }

    static constexpr int k_timer_id = 0x30000;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override {}

private:
    void show_frame(int index);

    int m_first_icon;
    int m_frames;
    int m_interval;
    int m_frame = 0;
    QLabel* m_icon;
    QTimer m_timer;
};
