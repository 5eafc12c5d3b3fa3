#include "PopoverWindow.h"

#include "AppModel.h"
#include "PopoverPlacement.h"
#include "PopoverPresenter.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QShortcut>

namespace Parcella {

namespace {

// A click on the tray icon arrives this soon after the focus loss it caused.
constexpr qint64 focusLossClickMs = 300;

} // namespace

PopoverWindow::PopoverWindow(AppModel& model, PopoverPresenter& presenter, Mode mode)
    : m_mode(mode) {
    setTitle(QStringLiteral("Parcella"));
    setFlags(mode == Mode::popover ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                   : Qt::Window);
    setMinimumSize(panelSize);
    setMaximumSize(panelSize);
    resize(panelSize);
    setResizeMode(SizeRootObjectToView);
    setColor(QGuiApplication::palette().window().color());
    setInitialProperties({{QStringLiteral("model"), QVariant::fromValue(&model)},
                          {QStringLiteral("presenter"), QVariant::fromValue(&presenter)}});
    setSource(QUrl(QStringLiteral("qrc:/qt/qml/Parcella/Interface/PopoverView.qml")));

    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, qApp, &QCoreApplication::quit);
    connect(this, &QWindow::activeChanged, this, [this] {
        if (m_mode == Mode::popover && !isActive() && isVisible()) {
            hide();
            m_sinceFocusLoss.start();
        }
    });
}

void PopoverWindow::open(std::optional<QRect> icon, QPoint pointer) {
    if (m_mode == Mode::popover) {
        const QScreen* screen = QGuiApplication::screenAt(icon ? icon->center() : pointer);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        setGeometry(placePopover(panelSize, icon, pointer, screen->availableGeometry()));
    }
    show();
    raise();
    requestActivate();
}

bool PopoverWindow::justLostFocus() const {
    return m_sinceFocusLoss.isValid() && !m_sinceFocusLoss.hasExpired(focusLossClickMs);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // An ordinary window goes the way its close button goes.
        if (m_mode == Mode::window)
            close();
        else
            hide();
        return;
    }
    QQuickView::keyPressEvent(event);
}

void PopoverWindow::closeEvent(QCloseEvent* event) {
    QQuickView::closeEvent(event);
    emit closed();
}

} // namespace Parcella
