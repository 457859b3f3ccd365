#pragma once

// Answers the program's modal dialogs from a script, the way a person at the screen would: each
// step receives the next modal window that appears (a parameter dialog, a message box, the save
// dialog) and acts on its widgets. Actions are queued so that they run inside the dialog's own
// event loop, as a click does.

#include "app/form_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>
#include <map>
#include <utility>

namespace mv::test {

class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver() {
        connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_.start(10);
    }

    void add(Step step) { steps_.push_back(std::move(step)); }
    bool done() const { return steps_.empty(); }
    size_t pending() const { return steps_.size(); }

    // What was seen, in order: "form:<caption>", "box:<text>", "file:<default name>".
    QStringList seen;
    // Forms as shown (field id -> text or "0"/"1"), in order.
    std::vector<std::map<int, QString>> formContents;
    // Modal windows that appeared with no step left; they were rejected.
    QStringList unexpected;
    // Both, for a failure message.
    QString log() const { return seen.join(" | ") + " / unexpected: " + unexpected.join(" | "); }

    // --- Steps ---

    // Fills the parameter dialog with the given texts (check boxes: "0" or "1") and presses OK.
    void form(std::map<int, QString> values) {
        add([this, values](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY2(dialog && dialog->objectName().startsWith(QLatin1String("form")),
                     qPrintable(QStringLiteral("expected a parameter dialog, got ") + describe(w)));
            for (const auto& [id, text] : values) {
                QWidget* field = dialog->findChild<QWidget*>(mv::fieldObjectName(id));
                QVERIFY2(field, qPrintable(QStringLiteral("no field %1").arg(id)));
                if (auto* box = qobject_cast<QAbstractButton*>(field))  // check box or radio button
                    box->setChecked(text == QLatin1String("1"));
                else
                    static_cast<QLineEdit*>(field)->setText(text);
            }
            QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
        });
    }
    // Presses Cancel in a parameter dialog.
    void cancelForm() {
        add([](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        });
    }
    // Expects a message box with exactly this text and presses the button.
    void box(const QString& text, QMessageBox::StandardButton button = QMessageBox::Ok) {
        add([text, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY2(box, qPrintable(QStringLiteral("expected the message \"") + text + QStringLiteral("\", got ") +
                                     describe(w)));
            QCOMPARE(box->text(), text);
            QAbstractButton* b = box->button(button);
            QVERIFY(b);
            QTimer::singleShot(0, b, [b] { b->click(); });
        });
    }
    // Expects the save dialog with its default extension and one of its file types; answers with
    // path (or Cancel when empty).
    void save(const QString& path, const QString& suffix = QStringLiteral("txt"),
              const QString& fileType = QStringLiteral("Marvolen Files (*.txt)")) {
        add([path, suffix, fileType](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY2(dialog, qPrintable(QStringLiteral("expected the save dialog, got ") + describe(w)));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->defaultSuffix(), suffix);
            QVERIFY2(dialog->nameFilters().contains(fileType), qPrintable(dialog->nameFilters().join(", ")));
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            if (path.isEmpty()) {
                QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
                return;
            }
            // The path is typed in full into the name field of the folder shown.
            QDir folder = QFileInfo(path).dir();
            while (!folder.exists() && folder.cdUp()) {
            }
            dialog->setDirectory(folder.absolutePath());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(path);
            QCOMPARE(dialog->selectedFiles().value(0), path);
            QDialog* base = dialog;
            QTimer::singleShot(0, dialog, [base] { base->accept(); });
        });
    }

    static QString describe(QWidget* w) {
        if (!w) return QStringLiteral("nothing");
        if (auto* b = qobject_cast<QMessageBox*>(w)) return QStringLiteral("message box \"") + b->text() + '"';
        return QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" \"") + w->windowTitle() + '"';
    }

private:
    void tick() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == last_) return;
        last_ = w;
        if (auto* b = qobject_cast<QMessageBox*>(w)) {
            seen << QStringLiteral("box:") + b->text();
        } else if (auto* f = qobject_cast<QFileDialog*>(w)) {
            seen << QStringLiteral("file:") + (f->selectedFiles().isEmpty() ? QString()
                                                                           : QFileInfo(f->selectedFiles().first()).fileName());
        } else if (auto* d = qobject_cast<QDialog*>(w)) {
            seen << QStringLiteral("form:") + d->windowTitle();
            std::map<int, QString> contents;
            for (QLineEdit* e : d->findChildren<QLineEdit*>())
                if (e->objectName().startsWith(QLatin1String("field"))) contents[e->objectName().mid(5).toInt()] = e->text();
            for (QCheckBox* c : d->findChildren<QCheckBox*>())
                if (c->objectName().startsWith(QLatin1String("field")))
                    contents[c->objectName().mid(5).toInt()] = c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
            formContents.push_back(contents);
        }
        // After a failed check every dialog is dismissed, so the test ends instead of waiting.
        if (QTest::currentTestFailed()) {
            steps_.clear();
            dismiss(w);
            return;
        }
        if (steps_.empty()) {
            unexpected << describe(w);
            dismiss(w);
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(w);
        if (QTest::currentTestFailed()) dismiss(w);
    }

    static void dismiss(QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w)) QTimer::singleShot(0, d, [d] { d->reject(); });
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<Step> steps_;
};

}  // namespace mv::test
