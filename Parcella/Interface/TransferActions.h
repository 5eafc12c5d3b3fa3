#pragma once

#include <QObject>

#include <optional>

namespace ParcelKit {
struct Transfer;
}

namespace Parcella {

class AppModel;

// What the recent transfers' menus do with one transfer, named by its id. A transfer that has
// left the list meanwhile is left alone.
class TransferActions : public QObject {
    Q_OBJECT

public:
    explicit TransferActions(AppModel& model, QObject* parent = nullptr);

    // The download page in the default browser.
    Q_INVOKABLE void openDownloadPage(const QString& transferID);
    Q_INVOKABLE void changeExpiry(const QString& transferID, int days);
    Q_INVOKABLE void deleteTransfer(const QString& transferID);

private:
    std::optional<ParcelKit::Transfer> find(const QString& transferID) const;

    AppModel& m_model;
};

} // namespace Parcella
