#pragma once

#include <QDialog>

namespace mv {

// "About Marvolen": the icon, the version and the source of the isotope data.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace mv
