#include "app/help_window.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace mv {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Marvolen Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_);
    resize(720, 640);
}

void HelpWindow::showPage(const QString& url) {
    browser_->setSource(QUrl(url));
    show();
    raise();
    activateWindow();
}

}  // namespace mv
