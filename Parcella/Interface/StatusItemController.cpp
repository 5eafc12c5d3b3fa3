#include "StatusItemController.h"

#include "AppModel.h"
#include "Notifier.h"
#include "TransferRate.h"

#include <QAction>
#include <QApplication>
#include <QCursor>

#include <algorithm>

namespace Parcella {

namespace {

PopoverWindow::Mode popoverMode() {
    // Wayland lets no window place itself; without a tray there is nothing to open under.
    const bool canPlace = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return canPlace && QSystemTrayIcon::isSystemTrayAvailable() ? PopoverWindow::Mode::popover
                                                                : PopoverWindow::Mode::window;
}

} // namespace

StatusItemController::StatusItemController(AppModel& model, std::function<void()> quit,
                                           QObject* parent)
    : QObject(parent), m_model(model), m_quit(std::move(quit)),
      m_painter(TrayIconPainter::Colors::from(QGuiApplication::palette())),
      m_idleIcon(m_painter.idleIcon()), m_presenter(model),
      m_popover(std::make_unique<PopoverWindow>(model, m_presenter, popoverMode())) {
    m_menu.addAction(tr("Open Parcella"), &m_presenter, &PopoverPresenter::openDashboard);
    m_pauseAction = m_menu.addAction(QString(), this, [this] {
        if (m_model.isAnythingPaused())
            m_model.resumeAll();
        else
            m_model.pauseAll();
    });
    connect(&model, &AppModel::isAnythingPausedChanged, this,
            &StatusItemController::updatePauseAction);
    connect(&model, &AppModel::isUploadingChanged, this, &StatusItemController::updatePauseAction);
    updatePauseAction();
    m_menu.addSeparator();
    QAction* quitAction = m_menu.addAction(tr("Quit Parcella"), qApp, &QCoreApplication::quit);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    model.showPopover = [this] { showPopover(); };

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = std::make_unique<QSystemTrayIcon>();
        m_tray->setContextMenu(&m_menu);
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        togglePopover();
                });
        connect(&model, &AppModel::isUploadingChanged, this,
                &StatusItemController::updateAppearance);
        connect(&model, &AppModel::progressChanged, this, &StatusItemController::updateAppearance);
        connect(&model, &AppModel::secondsLeftChanged, this,
                &StatusItemController::updateAppearance);
        updateAppearance();
        m_tray->show();
    }
    if (m_popover->mode() == PopoverWindow::Mode::window) {
        // With a tray (Wayland) the icon brings the window back; without one it is all there is.
        if (!m_tray)
            connect(m_popover.get(), &PopoverWindow::closed, this,
                    &StatusItemController::windowClosed);
        showPopover();
    }
}

StatusItemController::~StatusItemController() {
    m_model.showPopover = [] {};
}

QString StatusItemController::toolTip(bool isUploading, double progress,
                                      std::optional<qint64> secondsLeft, const QLocale& locale) {
    if (!isUploading)
        return QStringLiteral("Parcella");
    const int percent = qRound(std::clamp(progress, 0.0, 1.0) * 100);
    QString text =
        QStringLiteral("Parcella — %1\u00A0%2").arg(locale.toString(percent), locale.percent());
    if (secondsLeft)
        text += QStringLiteral(" · ") + ParcelKit::TransferRate::timeLeftText(*secondsLeft);
    return text;
}

void StatusItemController::togglePopover() {
    if (m_popover->isVisible() || m_popover->justLostFocus())
        m_popover->hide();
    else
        showPopover();
}

void StatusItemController::showPopover() {
    std::optional<QRect> icon;
    if (m_tray && m_tray->geometry().isValid())
        icon = m_tray->geometry();
    m_popover->open(icon, QCursor::pos());
}

void StatusItemController::windowClosed() {
    // Work that is under way or waiting keeps Parcella running; saying so once is enough.
    if (!m_model.isUploading() && !m_model.pending() && !m_model.isSigningIn()) {
        m_quit();
        return;
    }
    if (m_notifier)
        return;
    m_notifier = std::make_unique<Notifier>();
    m_notifier->post(tr("Parcella keeps running"),
                     tr("Your files go on uploading. Start Parcella again to see them."));
}

void StatusItemController::updatePauseAction() {
    const bool paused = m_model.isAnythingPaused();
    m_pauseAction->setText(paused ? tr("Resume all") : tr("Pause all"));
    m_pauseAction->setEnabled(paused || m_model.isUploading());
}

void StatusItemController::updateAppearance() {
    const bool uploading = m_model.isUploading();
    m_tray->setIcon(uploading ? m_painter.progressIcon(m_model.progress()) : m_idleIcon);
    m_tray->setToolTip(toolTip(uploading, m_model.progress(), m_model.secondsLeft()));
}

} // namespace Parcella
