// SPDX-License-Identifier: MIT
// The operator window in Qt 6 Widgets: the form built from the core's table, its events wired to
// the core, and the window operations the core asks for.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <memory>

#include "choice.h"
#include "core/form1.h"
#include "core/view.h"
#include "notice.h"

class QLineEdit;
class QRadioButton;

namespace zarvo::window::qt {

/// @p font made smaller, half a point at a time down to kSmallestFontPoints, until @p text is at
/// most @p width pixels wide.
QFont fontToFit(QFont font, const QString &text, int width);

/// The operator window. Every handled event goes to the core's Form1; this class only draws the
/// form and does what the core asks of a window.
class FormWindow : public QWidget, private View {
    Q_OBJECT

  public:
    explicit FormWindow(QWidget *parent = nullptr);
    ~FormWindow() override;

    /// The window's logic and state.
    Form1 &logic() { return *logic_; }

    /// The widget of @p control.
    QWidget *widget(Control control) const { return widgets_[idOf(control)]; }

  signals:
    /// Emitted as each handler starts, with its name ("Command1_Click", "Ini_Validate", ...).
    void handlerStarting(const QString &name);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // View
    Text text(Box box) const override;
    void setText(Box box, const Text &text) override;
    void repaint(Box box) override;
    void setForeColor(Box box, std::uint32_t color) override;
    void setMaxLength(Box box, int characters) override;
    bool isSelected(Option option) const override;
    void select(Option option) override;
    void showError(const Message &message) override;
    void showNotice(const Message &message) override;
    void offerChoice(const Message &message, const std::vector<Text> &items, const Text &confirm,
                     std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void handlerStarted(Handler handler) override;
    void closeWindow() override;

    void makeControl(const ControlRow &row);
    void nameByLabels();
    void orderTabs();
    void wireHandlers();
    void handle(Handler handler);
    const ControlRow *rowOfWidget(const QObject *object) const;
    QLineEdit *box(Box box) const;
    QRadioButton *option(Option option) const;

    std::array<QWidget *, kForm.size()> widgets_{};
    std::unique_ptr<Form1> logic_;
    Notice notice_;
    Choice choice_;
};

}  // namespace zarvo::window::qt
