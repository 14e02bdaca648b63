#include "app/ErrorDisplay.h"

#include "app/ErrorTexts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kDescriptionWidth = 400;
constexpr int kDescriptionLines = 3;

QPushButton* MakeButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ErrorDisplay::ErrorDisplay(const QString& description, const QString& details, QWidget* parent)
    : QDialog(parent)
    , description_(description)
    , details_(details)
{
    setObjectName(u"ErrorDisplay"_s);
    setWindowTitle(u"Zentil Error"_s);
    setModal(true);

    // Created in the dialog's tab order: Print, Details, OK.
    auto* printErrorCmd = MakeButton(u"Print"_s, u"PrintErrorCmd"_s, this);
    showDetailsCmd_ = MakeButton(u"Details"_s, u"ShowDetailsCmd"_s, this);
    auto* exitErrorCmd = MakeButton(u"OK"_s, u"ExitErrorCmd"_s, this);
    exitErrorCmd->setDefault(true);

    auto* errorDetails = MakeLabel(details, u"ErrorDetails"_s, this);
    errorDetails->setWordWrap(true);
    errorDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detailsBackground_ = new QFrame(this);
    detailsBackground_->setObjectName(u"DetailsBackground"_s);
    detailsBackground_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* detailsLayout = new QVBoxLayout(detailsBackground_);
    detailsLayout->addWidget(errorDetails);
    detailsBackground_->hide();

    auto* errorLabel = MakeLabel(u"Error:"_s, u"ErrorLabel"_s, this);
    QFont bold = errorLabel->font();
    bold.setBold(true);
    errorLabel->setFont(bold);
    errorDescription_ = MakeLabel(description, u"ErrorDescription"_s, this);
    errorDescription_->setWordWrap(true);
    errorDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errorDescription_->setMinimumWidth(kDescriptionWidth);
    errorDescription_->setMinimumHeight(
        errorDescription_->fontMetrics().lineSpacing() * kDescriptionLines);

    auto* descriptionRow = new QHBoxLayout;
    descriptionRow->addWidget(errorLabel, 0, Qt::AlignTop);
    descriptionRow->addWidget(errorDescription_, 1);

    // Stretches around every button spread the visible ones evenly across the dialog,
    // whichever of them are hidden.
    auto* buttonRow = new QHBoxLayout;
    for (QPushButton* button : { printErrorCmd, showDetailsCmd_, exitErrorCmd }) {
        buttonRow->addStretch(1);
        buttonRow->addWidget(button);
    }
    buttonRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the dialog grows when details appear
    layout->addLayout(descriptionRow);
    layout->addWidget(detailsBackground_);
    layout->addLayout(buttonRow);

    showDetailsCmd_->setVisible(!details.isEmpty());

    connect(printErrorCmd, &QPushButton::clicked, this, [this] { PrintError(); });
    connect(showDetailsCmd_, &QPushButton::clicked, this, &ErrorDisplay::ShowDetails);
    connect(exitErrorCmd, &QPushButton::clicked, this, &QDialog::accept);
}

void ErrorDisplay::ShowDetails()
{
    showDetailsCmd_->hide();
    detailsBackground_->show();
}

bool ErrorDisplay::PrintError()
{
    // Without any printer there is nothing to do and nothing to tell the user.
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull())
        return false;
    QPrinter printer(defaultPrinter);
    printer.setDocName(u"Zentil Error"_s);
    return PrintErrorReport(printer, ErrorReportLines(description_, details_));
}

bool PrintErrorReport(QPrinter& printer, const QStringList& lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    QFont font(u"Courier New"_s, 10);
    font.setStyleHint(QFont::TypeWriter); // a metric twin where Courier New itself is absent
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = printer.height();
    int baseline = metrics.ascent();
    for (const QString& line : lines) {
        if (baseline + metrics.descent() > pageHeight) {
            printer.newPage();
            baseline = metrics.ascent();
        }
        painter.drawText(0, baseline, line);
        baseline += metrics.lineSpacing();
    }
    return painter.end();
}

} // namespace zentil
