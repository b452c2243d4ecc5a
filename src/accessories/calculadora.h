#pragma once
// CALCULADORA "Calculator": a desk calculator of ten digit keys, ".", the operators
// "+", "-", "X", "/", "=", "%" and the keys "C" and "CE", showing its entry in the
// readout (an integer entry with a trailing ".", "12."). Operations apply in the
// order typed; a "-" typed where an operand is due starts a negative entry.
#include <QWidget>

class QLabel;
class QPushButton;

namespace shell {
class AppContext;
}

namespace accessories {

class Calculadora : public QWidget {
    Q_OBJECT
public:
    explicit Calculadora(shell::AppContext &ctx, QWidget *parent = nullptr);

    // The keys by their captions: "0".."9", ".", "+", "-", "X", "/", "=", "%", "C", "CE".
    void press(const QString &key);
    QString readout() const;
    double firstOperand() const { return m_first; }

    QLabel *Readout;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Number_Click(int digit);
    void Decimal_Click();
    void Percent_Click();
    void Operator_Click(const QString &op);
    void Cancel_Click();
    void CancelEntry_Click();
    void show(const QString &text);
    static QString format(double v);
    double value() const;

    shell::AppContext &m_ctx;
    QString m_readout;
    bool m_decimal = false;
    int m_operands = 0;
    double m_first = 0, m_second = 0;
    QString m_last = "NONE";    // NONE, NUMS, OPS, CE, NEG
    QString m_pending = " ";    // + - X / = % or blank
};

} // namespace accessories
