#pragma once

#include "PopoverPresenter.h"
#include "PopoverWindow.h"
#include "TrayIconPainter.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

namespace Parcella {

class AppModel;
class Notifier;

// The tray icon and its popover. The icon shows the product mark, or the upload progress as a
// ring and in the tool tip; a click toggles the popover, the context menu opens the dashboard,
// pauses or resumes all uploads, or quits. Without a tray (or where windows cannot place
// themselves) the popover is an ordinary window, shown at once; where no tray exists, closing it
// quits Parcella unless work would be cut short. Needs a QApplication.
class StatusItemController : public QObject {
    Q_OBJECT

public:
    // `quit` ends the application.
    explicit StatusItemController(AppModel& model,
                                  std::function<void()> quit = &QCoreApplication::quit,
                                  QObject* parent = nullptr);
    ~StatusItemController() override;

    // "Parcella", or "Parcella — 42 %" while uploading, "Parcella — 42 % · 3 min left" once the
    // time left is known.
    static QString toolTip(bool isUploading, double progress,
                           std::optional<qint64> secondsLeft = std::nullopt,
                           const QLocale& locale = {});

    void togglePopover();
    void showPopover();
    PopoverWindow& popover() { return *m_popover; }
    // None where no tray exists.
    QSystemTrayIcon* trayIcon() { return m_tray.get(); }

private:
    void updateAppearance();
    void windowClosed();
    void updatePauseAction();

    AppModel& m_model;
    std::function<void()> m_quit;
    TrayIconPainter m_painter;
    // Drawn once; the ring is drawn anew for every progress step.
    QIcon m_idleIcon;
    PopoverPresenter m_presenter;
    std::unique_ptr<PopoverWindow> m_popover;
    QMenu m_menu;
    QAction* m_pauseAction;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    // Made for the one notice that Parcella keeps running without its window.
    std::unique_ptr<Notifier> m_notifier;
};

} // namespace Parcella
