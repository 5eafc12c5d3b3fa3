#pragma once

#include <QElapsedTimer>
#include <QQuickView>

#include <optional>

namespace Parcella {

class AppModel;
class PopoverPresenter;

// The window that shows PopoverView. As a popover (a tray exists and windows may place
// themselves) it is frameless, kept out of the task bar, opens at the tray icon and closes when
// it loses focus; otherwise it is an ordinary window. Both close on Escape.
class PopoverWindow : public QQuickView {
    Q_OBJECT

public:
    enum class Mode { popover, window };
    static constexpr QSize panelSize{360, 560};

    PopoverWindow(AppModel& model, PopoverPresenter& presenter, Mode mode);

    Mode mode() const { return m_mode; }
    // `icon` is the tray icon's geometry when the tray reports one; `pointer` where the click was.
    void open(std::optional<QRect> icon, QPoint pointer);
    // True right after the popover closed by losing focus: the click on the tray icon that took
    // the focus away must not open it again.
    bool justLostFocus() const;

signals:
    // The window was closed (its close button, Escape for an ordinary window), not just hidden.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Mode m_mode;
    QElapsedTimer m_sinceFocusLoss;
};

} // namespace Parcella
