#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>

namespace Parcella {

// Chooses files and folders to send, several at once. Qt's own dialog rather than the desktop's,
// because the desktops' choosers take either files or folders. "Add" with a folder selected adds
// the folder; a double click still opens it. Deletes itself once closed.
class FileChooser : public QFileDialog {
    Q_OBJECT

public:
    explicit FileChooser(QWidget* parent = nullptr);

    void accept() override;

signals:
    void chosen(const QList<QUrl>& urls);
};

} // namespace Parcella
