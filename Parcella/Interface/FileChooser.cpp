#include "FileChooser.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QListView>

#include <algorithm>

namespace Parcella {

FileChooser::FileChooser(QWidget* parent) : QFileDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Add files"));
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setLabelText(QFileDialog::Accept, tr("Add"));
    setDirectory(QDir::home());
    // The dialog relabels its button "Open" whenever a folder is selected; here it adds it.
    const auto keepLabel = [this] { setLabelText(QFileDialog::Accept, tr("Add")); };
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(name, &QLineEdit::textChanged, this, keepLabel);
    if (auto* list = findChild<QListView*>(QStringLiteral("listView")))
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, keepLabel);
}

void FileChooser::accept() {
    const QList<QUrl> urls = selectedUrls();
    const bool exist = !urls.isEmpty() && std::ranges::all_of(urls, [](const QUrl& url) {
        return url.isLocalFile() && QFileInfo::exists(url.toLocalFile());
    });
    // The dialog itself names what does not exist.
    if (!exist)
        return QFileDialog::accept();
    emit chosen(urls);
    QDialog::accept();
}

} // namespace Parcella
