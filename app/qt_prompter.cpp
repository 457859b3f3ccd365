#include "app/qt_prompter.h"

#include "app/form_dialog.h"
#include "app/settings.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace mv {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, messageBoxTitle(), q(text), buttons, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Names file types by their suffix only. The default provider reads the start of files of unknown
// type to find their kind, which blocks on a pipe or a device file in the folder shown.
class SuffixIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        return info.suffix().isEmpty() ? QStringLiteral("File") : info.suffix().toUpper() + QStringLiteral(" File");
    }
};

}  // namespace

QStringList qtNameFilters(const std::string& filter) {
    const QStringList parts = q(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString name = parts[i];
        // "*.*" means every file in the framework, "*" in Qt.
        name.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        filters << name;
    }
    return filters;
}

void QtPrompter::message(const std::string& text) { ask(parent_, QMessageBox::Warning, text, QMessageBox::Ok); }

bool QtPrompter::retryCancel(const std::string& text) {
    return ask(parent_, QMessageBox::Warning, text, QMessageBox::Retry | QMessageBox::Cancel) == QMessageBox::Retry;
}

bool QtPrompter::yesNo(const std::string& text) {
    return ask(parent_, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompter::runForm(Form& form) {
    FormDialog dialog(form, parent_);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::string> QtPrompter::savePath(const std::string& defaultName, const std::string& filter,
                                                const std::string& defaultExtension) {
    QFileDialog dialog(parent_, QStringLiteral("Save As"));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(filter));
    dialog.setDefaultSuffix(q(defaultExtension));
    // A name typed without an extension takes the one of the file type chosen (the default one
    // for "All Files").
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, defaultExtension](const QString& name) {
        static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.(\\w+)\\)"));
        const QRegularExpressionMatch m = pattern.match(name);
        dialog.setDefaultSuffix(m.hasMatch() ? m.captured(1) : q(defaultExtension));
    });
    static SuffixIconProvider icons;
    dialog.setIconProvider(&icons);
    const QString folder = settings::saveFolder();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    dialog.selectFile(q(defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    settings::setSaveFolder(QFileInfo(path).absolutePath());
    return path.toStdString();
}

}  // namespace mv
