#include "ValueDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

namespace {

// Strips every character the key filter would have dropped, wherever it came from (typing,
// pasting, dropping); the cursor keeps its place among the characters that stay.
class NumberKeyValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        QString kept;
        int newPos = 0;
        for (int i = 0; i < input.size(); ++i) {
            if (TForm2::FilterNumberKey(input.at(i))) {
                kept += input.at(i);
                if (i < pos)
                    ++newPos;
            }
        }
        input = kept;
        pos = newPos;
        return Acceptable;
    }
};

} // namespace

TForm2::TForm2(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setModal(true);
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(6, 6, 6, 6);
    Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setValidator(new NumberKeyValidator(Edit1));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({ QStringLiteral("ABS"), QStringLiteral("+/-"), QStringLiteral("%") });
    ComboBox1->setCurrentIndex(0);
    BitBtnOK = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setDefault(true);
    BitBtnOK->setAutoDefault(true);
    BitBtnAnuluj = new QPushButton(QStringLiteral("Abort"), this);
    BitBtnAnuluj->setObjectName(QStringLiteral("BitBtnAnuluj"));
    BitBtnAnuluj->setAutoDefault(false);
    h->addWidget(Edit1, 1);
    h->addWidget(ComboBox1);
    h->addWidget(BitBtnOK);
    h->addWidget(BitBtnAnuluj);
    connect(BitBtnOK, &QPushButton::clicked, this, [this] { done(ResultOK); });
    connect(BitBtnAnuluj, &QPushButton::clicked, this, [this] { done(ResultAbort); });
    // Enter in the field is the default button.
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { done(ResultOK); });
    resize(306, 85);
}

bool TForm2::FilterNumberKey(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-')
        || c == QChar(13) || c == QChar(8);
}

QString TForm2::filterNumberText(const QString &text)
{
    QString out;
    for (const QChar c : text)
        if (FilterNumberKey(c))
            out += c;
    return out;
}

int TForm2::showModal()
{
    if (QWidget *p = parentWidget()) {
        const QRect pg = p->window()->frameGeometry();
        move(pg.center() - QPoint(width() / 2, height() / 2));
    }
    Edit1->setFocus();
    Edit1->selectAll();
    return exec();
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
