// SPDX-License-Identifier: MIT
// The operator window in Qt 6 Widgets: the form built from the core's table, its events wired to
// the core, and the window operations the core asks for.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

#include "core/form1.h"
#include "core/view.h"

class QLineEdit;
class QMessageBox;
class QRadioButton;

/// @p font made smaller, half a point at a time down to 6 points, until @p text is at most
/// @p width pixels wide.
QFont fontToFit(QFont font, const QString &text, int width);

/// The operator window. Every handled event goes to core::Form1; this class only draws the form
/// and does what the core asks of a window.
class FormWindow : public QWidget, private core::View {
    Q_OBJECT

  public:
    explicit FormWindow(QWidget *parent = nullptr);
    ~FormWindow() override;

    /// The window's logic and state.
    core::Form1 &logic() { return *logic_; }

    /// The widget of @p control.
    QWidget *widget(core::Control control) const { return widgets_[core::idOf(control)]; }

  signals:
    /// Emitted as each handler starts, with its name ("Command1_Click", "Ini_Validate", ...).
    void handlerStarting(const QString &name);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // core::View
    core::Text text(core::Box box) const override;
    void setText(core::Box box, const core::Text &text) override;
    void repaint(core::Box box) override;
    void setForeColor(core::Box box, std::uint32_t colour) override;
    void setMaxLength(core::Box box, int characters) override;
    bool isSelected(core::Option option) const override;
    void select(core::Option option) override;
    void showError(const core::Message &message) override;
    void showNotice(const core::Message &message) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void handlerStarted(core::Handler handler) override;
    void closeWindow() override;

    void makeControl(const core::ControlRow &row);
    void nameByLabels();
    void orderTabs();
    void wireHandlers();
    void handle(core::Handler handler);
    const core::ControlRow *rowOf(const QObject *object) const;
    QLineEdit *box(core::Box box) const;
    QRadioButton *option(core::Option option) const;

    std::array<QWidget *, core::kForm.size()> widgets_{};
    std::unique_ptr<core::Form1> logic_;
    QPointer<QMessageBox> portNotice_;
};
