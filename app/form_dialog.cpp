#include "app/form_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace mv {

namespace {

constexpr int kDeltaUserForm = 136;
constexpr int kAccurateUserForm = 138;
constexpr int kDaughtMS3Form = 134;
constexpr int kDaughtMS4Form = 135;

QString q(const std::string& s) { return QString::fromStdString(s); }

// Which static text (a group box title) a field of a product-ion dialog sits under, or -1.
int generationGroup(int resource, int id) {
    if (resource == kDaughtMS3Form) return id <= 1015 ? 0 : 1;
    if (resource == kDaughtMS4Form) return id <= 1020 ? 0 : (id <= 1023 ? 1 : 2);
    return -1;
}

}  // namespace

QString fieldObjectName(int id) { return QStringLiteral("field%1").arg(id); }

FormDialog::FormDialog(Form& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowTitle(q(form.caption));
    setObjectName(QStringLiteral("form%1").arg(form.resourceId));
    if (form.resourceId == kDeltaUserForm || form.resourceId == kAccurateUserForm)
        buildUserElement();
    else
        build();
    // Tab order is the exchange order, whatever the visual arrangement.
    QWidget* previous = nullptr;
    for (const Field& f : form_.fields) {
        QWidget* w = widgets_.at(f.id);
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
    applyToggles();
    if (!form_.fields.empty()) widgets_.at(form_.fields.front().id)->setFocus();
}

QWidget* FormDialog::fieldWidget(int id) const {
    const auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormDialog::makeFieldWidget(const Field& f) {
    QWidget* w = nullptr;
    if (f.kind == FieldKind::Check) {
        QAbstractButton* box = nullptr;
        const auto group = std::find_if(form_.radioGroups.begin(), form_.radioGroups.end(), [&](const std::vector<int>& g) {
            return std::find(g.begin(), g.end(), f.id) != g.end();
        });
        if (group != form_.radioGroups.end()) {
            box = new QRadioButton(q(f.label), this);
            QButtonGroup*& buttons = radioGroups_[group - form_.radioGroups.begin()];
            if (!buttons) buttons = new QButtonGroup(this);
            buttons->addButton(box);
            // A choice that enables an edit hands it the focus, ready for typing.
            const int id = f.id;
            connect(box, &QAbstractButton::clicked, this, [this, id] { focusToggledFields(id); });
        } else {
            box = new QCheckBox(q(f.label), this);
        }
        box->setChecked(f.checked);
        connect(box, &QAbstractButton::toggled, this, [this] { applyToggles(); });
        w = box;
    } else {
        auto* edit = new QLineEdit(q(f.text), this);
        if (f.kind != FieldKind::Text) edit->setMaximumWidth(160);
        // As the framework's limit on an edit: typing stops at the limit.
        if (f.kind == FieldKind::Text && f.maxChars > 0) edit->setMaxLength(f.maxChars);
        w = edit;
    }
    w->setObjectName(fieldObjectName(f.id));
    w->setEnabled(f.enabled);
    widgets_[f.id] = w;
    return w;
}

void FormDialog::build() {
    auto* top = new QVBoxLayout(this);
    // Fields toggled by a check box go into the group box of the form's first static text.
    std::map<int, bool> toggled;
    for (const Toggle& t : form_.toggles)
        for (int id : t.fieldIds) toggled[id] = true;

    auto addRow = [this](QGridLayout* grid, const Field& f) {
        const int row = grid->rowCount();
        QWidget* w = makeFieldWidget(f);
        if (f.kind == FieldKind::Check) {
            grid->addWidget(w, row, 0, 1, 2);
        } else {
            auto* label = new QLabel(q(f.label), this);
            label->setWordWrap(true);
            label->setBuddy(w);
            label->setMinimumWidth(260);
            grid->addWidget(label, row, 0);
            grid->addWidget(w, row, 1);
        }
    };

    QGridLayout* mainGrid = new QGridLayout;
    top->addLayout(mainGrid);
    QGridLayout* componentGrid = nullptr;
    std::map<int, QGridLayout*> generationGrids;
    // Visual order: the MS4 dialog shows each generation's formula above its charge, although
    // the charge is exchanged first.
    std::vector<const Field*> visual;
    for (const Field& f : form_.fields) visual.push_back(&f);
    if (form_.resourceId == kDaughtMS4Form) {
        std::stable_sort(visual.begin(), visual.end(), [](const Field* a, const Field* b) {
            auto rank = [](int id) { return id == 1021 ? 1021.5 : static_cast<double>(id); };
            return rank(a->id) < rank(b->id);
        });
    }
    for (const Field* f : visual) {
        const int group = generationGroup(form_.resourceId, f->id);
        if (group >= 0 && group < static_cast<int>(form_.texts.size())) {
            QGridLayout*& grid = generationGrids[group];
            if (!grid) {
                auto* box = new QGroupBox(q(form_.texts[group]), this);
                grid = new QGridLayout(box);
                top->addWidget(box);
            }
            addRow(grid, *f);
        } else if (toggled.count(f->id) && !form_.texts.empty()) {
            if (!componentGrid) {
                auto* box = new QGroupBox(q(form_.texts.front()), this);
                componentGrid = new QGridLayout(box);
                top->addWidget(box);
            }
            addRow(componentGrid, *f);
        } else {
            addRow(mainGrid, *f);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FormDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FormDialog::reject);
    top->addWidget(buttons);
}

// The user-element dialogs: the lightest isotope's mass on top, then nine rows of heavy isotope
// and abundance in two columns (rows 1 to 5 on the left, 6 to 9 on the right).
void FormDialog::buildUserElement() {
    auto* top = new QVBoxLayout(this);
    auto* lightRow = new QHBoxLayout;
    const Field& light = form_.fields.front();
    auto* lightLabel = new QLabel(q(form_.texts.at(0)), this);
    QWidget* lightEdit = makeFieldWidget(light);
    lightLabel->setBuddy(lightEdit);
    lightRow->addWidget(lightLabel);
    lightRow->addWidget(lightEdit);
    lightRow->addStretch();
    top->addLayout(lightRow);

    // The two heading lines are laid out for fixed columns; their words become the column heads.
    const QRegularExpression gap(QStringLiteral("\\s{2,}"));
    const QStringList head1 = q(form_.texts.at(1)).trimmed().split(gap, Qt::SkipEmptyParts);
    const QStringList head2 = q(form_.texts.at(2)).trimmed().split(gap, Qt::SkipEmptyParts);
    auto* grid = new QGridLayout;
    for (int c = 0; c < 6; ++c) {
        QString text = c < head1.size() ? head1[c] : QString();
        if (c < head2.size()) text += QLatin1Char('\n') + head2[c];
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 0, c + (c >= 3 ? 1 : 0));
    }
    grid->setColumnMinimumWidth(3, 24);
    for (int row = 0; row < 9; ++row) {
        const Field& value = form_.fields.at(1 + 2 * row);
        const Field& fa = form_.fields.at(2 + 2 * row);
        const int gridRow = 1 + (row < 5 ? row : row - 5);
        const int col = row < 5 ? 0 : 4;
        auto* number = new QLabel(q(form_.texts.at(3 + row)), this);
        number->setAlignment(Qt::AlignCenter);
        grid->addWidget(number, gridRow, col);
        grid->addWidget(makeFieldWidget(value), gridRow, col + 1);
        grid->addWidget(makeFieldWidget(fa), gridRow, col + 2);
    }
    top->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FormDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FormDialog::reject);
    top->addWidget(buttons);
}

void FormDialog::readInto(Form& form) const {
    for (Field& f : form.fields) {
        const QWidget* w = widgets_.at(f.id);
        if (f.kind == FieldKind::Check)
            f.checked = static_cast<const QAbstractButton*>(w)->isChecked();
        else
            f.text = static_cast<const QLineEdit*>(w)->text().toStdString();
        f.enabled = w->isEnabled();
    }
}

void FormDialog::applyToggles() {
    for (const Toggle& t : form_.toggles) {
        const auto* box = qobject_cast<QAbstractButton*>(fieldWidget(t.checkId));
        if (!box) continue;
        for (int id : t.fieldIds)
            if (QWidget* w = fieldWidget(id)) w->setEnabled(box->isChecked());
    }
}

void FormDialog::focusToggledFields(int checkId) {
    for (const Toggle& t : form_.toggles) {
        if (t.checkId != checkId || t.fieldIds.empty()) continue;
        QWidget* w = fieldWidget(t.fieldIds.front());
        if (!w || !w->isEnabled()) continue;
        w->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
    }
}

void FormDialog::accept() {
    Form entered = form_;
    readInto(entered);
    if (const auto failure = validateForm(entered)) {
        // The failing field takes the focus first, so it has it again the moment the box closes.
        QWidget* w = fieldWidget(failure->fieldId);
        if (w) {
            w->setFocus(Qt::OtherFocusReason);
            if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Marvolen"), q(failure->message), QMessageBox::Ok, this);
        box.exec();
        if (w) w->setFocus(Qt::OtherFocusReason);
        return;
    }
    form_ = std::move(entered);
    QDialog::accept();
}

}  // namespace mv
