#pragma once
// The value-entry dialog of the main map (Form2): one whole number in Edit1 and how to apply it
// in ComboBox1 ("ABS", "+/-", "%"). Created once with the main window; it keeps its mode and its
// text between uses. OK (also Enter in the field) ends with result 1; the Abort button ends with
// another result; Escape does not close it.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Modal results, as the map editor reads them.
    enum Result : int { ResultOK = 1, ResultAbort = 3 };

    explicit TForm2(QWidget *parent = nullptr);

    QLineEdit *Edit1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *BitBtnOK = nullptr;
    QPushButton *BitBtnAnuluj = nullptr;

    // The key filter of Edit1: digits, "+", "-", Enter and Backspace pass; every other
    // character is dropped. Applied to every change of the text, typed or pasted.
    static bool FilterNumberKey(QChar c);
    static QString filterNumberText(const QString &text);

    // Shows the dialog modally, centred over its parent; returns the modal result.
    int showModal();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
