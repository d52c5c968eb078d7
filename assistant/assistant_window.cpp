#include "assistant/assistant_window.h"

#include "platform/qt/numeric_field.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using Step = Assistant::Step;

// Four significant digits, as the service panel shows its constants and
// live values.
QString shown(double v) {
    return NumericField::format(v, true, 3);
}

QString number(const std::optional<double>& v) {
    return v ? shown(*v) : QObject::tr("not read");
}

QString reading(const CalibrationReading& r, const QString& unit) {
    if (r.at.empty())
        return QString();
    if (!r.value)
        return QObject::tr("no data");
    return shown(*r.value) + (unit.isEmpty() ? QString() : u' ' + unit);
}

QString title_of(const Assistant& a) {
    const QString kind = a.kind() == CalibrationKind::Zero ? QObject::tr("Zero calibration")
                                                           : QObject::tr("Span calibration");
    switch (a.step()) {
    case Step::Idle:
        return QObject::tr("No calibration under way");
    case Step::Instruct:
        return kind + QObject::tr(" \u00b7 step 1 of 5: apply the gas");
    case Step::Settle:
        return kind + QObject::tr(" \u00b7 step 2 of 5: wait for a stable reading");
    case Step::Command:
        return kind + QObject::tr(" \u00b7 step 3 of 5: calibrate");
    case Step::SettleAfter:
        return kind + QObject::tr(" \u00b7 step 4 of 5: wait for a stable reading");
    case Step::Verdict:
        return kind + QObject::tr(" \u00b7 step 5 of 5: accept or reject");
    case Step::Done:
        return kind + QObject::tr(" \u00b7 recorded");
    }
    return kind;
}

QString next_text(const Assistant& a) {
    switch (a.step()) {
    case Step::Settle:
        return QObject::tr("&Take as found");
    case Step::Command:
        return a.kind() == CalibrationKind::Zero ? QObject::tr("&Zero calibration...")
                                                 : QObject::tr("S&pan calibration...");
    case Step::SettleAfter:
        return QObject::tr("&Take as left");
    case Step::Verdict:
        return QObject::tr("&Accept");
    default:
        return QObject::tr("&Next");
    }
}

QLineEdit* field(const char* object, const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(object));
    edit->setAccessibleName(name);
    return edit;
}

} // namespace

AssistantWindow::AssistantWindow(Assistant& assistant, std::function<void()> remember,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), assistant_(assistant), remember_(std::move(remember)) {
    setObjectName(QStringLiteral("calibrationAssistant"));
    setWindowTitle(tr("Calibration assistant"));
    auto* layout = new QVBoxLayout(this);

    auto* who = new QGroupBox(tr("Who and where"), this);
    auto* whoForm = new QFormLayout(who);
    technician_ = field("technician", tr("Technician"), who);
    tag_ = field("tag", tr("Site or tag"), who);
    tolerance_ = new QDoubleSpinBox(who);
    tolerance_->setRange(kMinTolerancePercent, kMaxTolerancePercent);
    tolerance_->setDecimals(1);
    // The unit in the label: a suffix is painted but not told.
    tolerance_->setAccessibleName(tr("Tolerance (%)"));
    tolerance_->setObjectName(QStringLiteral("tolerance"));
    whoForm->addRow(tr("Tec&hnician"), technician_);
    whoForm->addRow(tr("Site or ta&g"), tag_);
    whoForm->addRow(tr("T&olerance (%)"), tolerance_);
    layout->addWidget(who);

    auto* gas = new QGroupBox(tr("Test gas"), this);
    auto* gasForm = new QFormLayout(gas);
    concentration_ = field("gasConcentration", tr("Concentration"), gas);
    unit_ = new QComboBox(gas);
    unit_->setEditable(true);
    unit_->addItems({QStringLiteral("ppm"), QStringLiteral("%"), QStringLiteral("mV")});
    unit_->setAccessibleName(tr("Unit"));
    unit_->setObjectName(QStringLiteral("gasUnit"));
    lot_ = field("gasLot", tr("Cylinder or lot"), gas);
    expiry_ = field("gasExpiry", tr("Expiry date"), gas);
    expiry_->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    gasForm->addRow(tr("&Concentration"), concentration_);
    gasForm->addRow(tr("Un&it"), unit_);
    gasForm->addRow(tr("Cylinder or &lot"), lot_);
    gasForm->addRow(tr("E&xpiry date"), expiry_);
    layout->addWidget(gas);

    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    instruction_ = new QLabel(this);
    instruction_->setWordWrap(true);
    layout->addWidget(title_);
    layout->addWidget(instruction_);

    auto* live = new QHBoxLayout;
    value_ = new QLabel(this);
    u1_ = new QLabel(this);
    stability_ = new QLabel(this);
    for (QLabel* l : {value_, u1_, stability_})
        live->addWidget(l, 1);
    layout->addLayout(live);

    table_ = new QTableWidget(5, 3, this);
    table_->setAccessibleName(tr("As found and as left"));
    table_->setHorizontalHeaderLabels({tr("As found"), tr("As left"), tr("Verdict")});
    table_->setVerticalHeaderLabels(
        {tr("Main value"), tr("u1 mV"), tr("Constant 8"), tr("Constant 9"), tr("Constant 0")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setMinimumHeight(table_->verticalHeader()->length() +
                             table_->horizontalHeader()->sizeHint().height() + 4);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 3; ++c)
            table_->setItem(r, c, new QTableWidgetItem);
    }
    layout->addWidget(table_);

    message_ = new QLabel(this);
    message_->setWordWrap(true);
    layout->addWidget(message_);

    auto* buttons = new QHBoxLayout;
    zero_ = new QPushButton(tr("&Zero"), this);
    span_ = new QPushButton(tr("&Span"), this);
    next_ = new QPushButton(this);
    unstable_ = new QPushButton(tr("Go on &unstable"), this);
    keep_ = new QPushButton(tr("&Keep beyond tolerance"), this);
    reject_ = new QPushButton(tr("&Reject"), this);
    cancel_ = new QPushButton(tr("Canc&el"), this);
    restore_ = new QPushButton(tr("Store &back as found"), this);
    for (QPushButton* b : {zero_, span_, next_, unstable_, keep_, reject_, restore_, cancel_})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    // The gas is entered at the first step, for the calibration begun.
    connect(zero_, &QPushButton::clicked, this, [this] {
        act(assistant_.begin(CalibrationKind::Zero));
        showGas();
    });
    connect(span_, &QPushButton::clicked, this, [this] {
        act(assistant_.begin(CalibrationKind::Span));
        showGas();
    });
    connect(next_, &QPushButton::clicked, this, [this] {
        takeGas();
        act(assistant_.next());
    });
    connect(unstable_, &QPushButton::clicked, this, [this] {
        takeGas();
        act(assistant_.goOnUnstable());
    });
    connect(keep_, &QPushButton::clicked, this, [this] {
        takeGas();
        act(assistant_.acceptBeyond());
    });
    connect(reject_, &QPushButton::clicked, this, [this] {
        takeGas();
        act(assistant_.reject());
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        // What was typed is kept for the next time, a step cancelled before
        // its command included.
        takeGas();
        const Assistant::Go go = assistant_.cancel();
        if (go != Assistant::Go::Recorded && go != Assistant::Go::Failed)
            remember_(); // act() does when it was recorded
        act(go);
    });
    connect(restore_, &QPushButton::clicked, this, [this] { act(assistant_.restore()); });
    connect(technician_, &QLineEdit::editingFinished, this, [this] {
        assistant_.setTechnician(technician_->text().toStdString());
        remember_();
    });
    connect(tag_, &QLineEdit::editingFinished, this, [this] {
        assistant_.setTag(tag_->text().toStdString());
        remember_();
    });
    connect(tolerance_, &QDoubleSpinBox::editingFinished, this, [this] {
        if (assistant_.setTolerance(tolerance_->value()))
            remember_();
        refresh();
    });

    technician_->setText(QString::fromStdString(assistant_.technician()));
    tag_->setText(QString::fromStdString(assistant_.tag()));
    tolerance_->setValue(assistant_.tolerance());
    showGas();

    auto* timer = new QTimer(this);
    timer->setInterval(500);
    connect(timer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    timer->start();
    refresh();
}

void AssistantWindow::showGas() {
    const TestGas& g = assistant_.gas(assistant_.kind());
    concentration_->setText(QString::fromStdString(g.concentration));
    unit_->setCurrentText(g.unit.empty() ? QStringLiteral("ppm") : QString::fromStdString(g.unit));
    lot_->setText(QString::fromStdString(g.lot));
    expiry_->setText(QString::fromStdString(g.expiry));
}

void AssistantWindow::takeGas() {
    assistant_.setTechnician(technician_->text().toStdString());
    assistant_.setTag(tag_->text().toStdString());
    assistant_.setTolerance(tolerance_->value());
    TestGas g;
    g.concentration = concentration_->text().trimmed().toStdString();
    g.unit = unit_->currentText().trimmed().toStdString();
    g.lot = lot_->text().trimmed().toStdString();
    g.expiry = expiry_->text().trimmed().toStdString();
    assistant_.setGas(assistant_.kind(), g);
}

void AssistantWindow::act(Assistant::Go go) {
    if (go == Assistant::Go::Recorded || go == Assistant::Go::Failed)
        remember_();
    refresh();
}

void AssistantWindow::refresh() {
    const Step step = assistant_.step();
    const CalibrationEntry& e = assistant_.entry();
    title_->setText(title_of(assistant_));
    instruction_->setText(QString::fromStdString(assistant_.instruction()));
    message_->setText(QString::fromStdString(assistant_.message()));

    const Stability stability = assistant_.stability();
    const CalibrationReading now = assistant_.live(stability);
    value_->setText(tr("Main value: %1").arg(reading(now, QString::fromStdString(now.unit))));
    u1_->setText(tr("u1: %1 mV").arg(now.u1 ? shown(*now.u1) : tr("no data")));
    stability_->setText(tr("Stability: %1").arg(QString::fromStdString(stability.text)));

    auto set = [this](int row, int column, const QString& text) {
        table_->item(row, column)->setText(text);
    };
    const bool found = step != Step::Idle && !e.asFound.at.empty();
    const bool left = !e.asLeft.at.empty();
    set(0, 0, reading(e.asFound, QString::fromStdString(e.asFound.unit)));
    set(0, 1, reading(e.asLeft, QString::fromStdString(e.asLeft.unit)));
    set(1, 0, found ? number(e.asFound.u1) : QString());
    set(1, 1, left ? number(e.asLeft.u1) : QString());
    const auto verdicts = assistant_.verdicts();
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        set(2 + i, 0, found ? number(e.before[k]) : QString());
        set(2 + i, 1, left ? number(e.after[k]) : QString());
        set(2 + i, 2, left ? QString::fromStdString(verdicts[k].text) : QString());
    }
    set(0, 2, found ? (e.asFound.stable ? tr("stable") : tr("not stable")) : QString());
    set(1, 2, QString());

    const bool idle = step == Step::Idle || step == Step::Done;
    zero_->setEnabled(idle);
    span_->setEnabled(idle);
    next_->setEnabled(!idle);
    next_->setText(next_text(assistant_));
    unstable_->setVisible(assistant_.warned() &&
                          (step == Step::Settle || step == Step::SettleAfter));
    keep_->setVisible(assistant_.warned() && step == Step::Verdict);
    reject_->setVisible(step == Step::Verdict);
    cancel_->setEnabled(!idle);
    restore_->setVisible(assistant_.canRestore());
    // The tolerance is the as-found one's from then on: the verdict is
    // judged by it, and a field showing another would not say so.
    tolerance_->setEnabled(step == Step::Idle || step == Step::Done || step == Step::Instruct ||
                           step == Step::Settle);
    for (QWidget* w : {static_cast<QWidget*>(concentration_), static_cast<QWidget*>(unit_),
                       static_cast<QWidget*>(lot_), static_cast<QWidget*>(expiry_)})
        w->setEnabled(step == Step::Instruct);
}
