#pragma once

#include <QWidget>

class QTextBrowser;

namespace mv {

// The help pages bundled with the program, in a window of their own.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void showPage(const QString& url);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

}  // namespace mv
