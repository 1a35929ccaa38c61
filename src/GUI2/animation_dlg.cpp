#include "GUI2/animation_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_art.h"
#include "GUI2/wizard_shell.h"

animation_dlg::animation_dlg(const QString& text, int first_icon, int frames, int interval_ms)
    : m_first_icon(first_icon), m_frames(frames), m_interval(interval_ms) {
    setObjectName(QStringLiteral("101"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 18, 24, 18);
    m_icon = make_label(this, k_ctl_animation, QString());
    m_icon->setFixedSize(32, 32);
    layout->addWidget(m_icon);
    layout->addSpacing(12);
    layout->addWidget(make_label(this, 0, text));
    connect(&m_timer, &QTimer::timeout, this, [this] { show_frame(m_frame + 1); });
}

void animation_dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (wizard_shell* shell = wizard_shell::find_instance()) setWindowTitle(to_qt(shell->title()));
    show_frame(0);
    m_timer.start(m_interval);
    centre_on_owner(*this);
    raise();
    activateWindow();
}

void animation_dlg::show_frame(int index) {
    m_frame = index % m_frames;
    m_icon->setPixmap(wizard_pixmap(m_first_icon + m_frame));
}

void animation_dlg::close_from_worker() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_timer.stop();
            done(0);
        },
        Qt::QueuedConnection);
}
