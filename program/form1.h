// SPDX-License-Identifier: MIT
// Form1: the operator window, its state, its handlers and the exchange routines they use.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class QMessageBox;
class QPushButton;
class QRadioButton;
class HandlerError;

namespace Ui {
class Form1;
}

/// Sets a text box's whole text: a box's length limit bounds typing, never what the program puts
/// there (QLineEdit would cut the text at the limit, 32767 characters by default).
void setBoxText(QLineEdit *box, const QString &text);

/// @p font made smaller, half a point at a time down to 6 points, until @p text is at most
/// @p width pixels wide.
QFont fontToFit(QFont font, const QString &text, int width);

class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

  signals:
    /// Emitted as each handler starts, with its name ("Command1_Click", "Ini_Validate", ...).
    void handlerStarted(const QString &name);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private slots:
    // Printer test, summer time and X reading (printer_test.cpp).
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // Fiscal memory reading (fiscal_memory.cpp).
    void Porredu_Click();
    void Pordata_Click();
    void Ini_GotFocus();
    void Ini_Validate();
    void Fim_GotFocus();
    void Fim_Validate();
    void LMF_Click();

  private:
    friend class Form1Probe;  // the tests' window to the routines and the state

    // Exchange routines (exchange_routines.cpp).
    std::int32_t Tenta(std::int32_t port);
    std::int16_t VV(std::int32_t port, std::int32_t timeout, QString command);
    QString Retorno();
    void Resultado();
    std::int16_t PaperEnd();
    std::int16_t exchange(std::int32_t port, std::int32_t timeout, const QString &command);

    /// The summer-time and X-reading buttons: progress text, Abre, VV, Fecha, Resultado.
    void sendOneCommand(const QString &progress, std::int32_t timeout, const QString &command);

    // Fiscal memory file (fiscal_memory.cpp).
    QString ReplyData();
    void SaveReading();

    /// The port to pass to the library: PrinterPort, or 0 before a printer test found one.
    std::int32_t printerPortNumber() const { return PrinterPort.value_or(0); }
    /// Sets a text box's text colour from a colour value with red in the low byte.
    static void setForeColor(QLineEdit *box, std::uint32_t colour);

    /// Runs one handler body: one at a time, in order, and never past a platform error, which
    /// closes the ports that the handler left open and is shown in a message box.
    void runHandler(const char *name, const std::function<void()> &body);
    void closePortsLeftOpen();
    void showError(const HandlerError &error);
    /// Tells, in one box that leaves the window usable, which ports the handler could not open
    /// and why; the exchanges went on all the same and show their own error reply.
    void tellPortsNotOpened(const char *handler);
    void connectHandlers();
    void makeOptionLabelsClickable();
    static void fitCaption(QPushButton *button);

    std::unique_ptr<Ui::Form1> ui;

    QString LastReply;
    QString ReplySign;
    std::optional<std::int32_t> PrinterPort;
    QString SummerTimeFlag;
    std::int32_t LinkStatus = 0;

    bool handlerRunning_ = false;
    bool closeRequested_ = false;
    std::deque<std::pair<const char *, std::function<void()>>> pendingHandlers_;
    QPointer<QMessageBox> portNotice_;
};
