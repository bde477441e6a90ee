#include "board/FolderChooser.h"

#include "values/Utf8.h"

#include <QFileDialog>

namespace tavro {

std::optional<std::string> DialogFolderChooser::chooseFolder(QWidget* parent) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent, QString(), QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return toStdString(folder);
}

} // namespace tavro
