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

namespace zarvo::window::qt {

/// @p font made smaller, half a point at a time down to 6 points, until @p text is at most
/// @p width pixels wide.
QFont fontToFit(QFont font, const QString &text, int width);

/// The operator window. Every handled event goes to the core's Form1; this class only draws the
/// form and does what the core asks of a window.
class FormWindow : public QWidget, private zarvo::window::View {
    Q_OBJECT

  public:
    explicit FormWindow(QWidget *parent = nullptr);
    ~FormWindow() override;

    /// The window's logic and state.
    zarvo::window::Form1 &logic() { return *logic_; }

    /// The widget of @p control.
    QWidget *widget(zarvo::window::Control control) const {
        return widgets_[zarvo::window::idOf(control)];
    }

  signals:
    /// Emitted as each handler starts, with its name ("Command1_Click", "Ini_Validate", ...).
    void handlerStarting(const QString &name);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // zarvo::window::View
    zarvo::window::Text text(zarvo::window::Box box) const override;
    void setText(zarvo::window::Box box, const zarvo::window::Text &text) override;
    void repaint(zarvo::window::Box box) override;
    void setForeColor(zarvo::window::Box box, std::uint32_t colour) override;
    void setMaxLength(zarvo::window::Box box, int characters) override;
    bool isSelected(zarvo::window::Option option) const override;
    void select(zarvo::window::Option option) override;
    void showError(const zarvo::window::Message &message) override;
    void showNotice(const zarvo::window::Message &message) override;
    void offerChoice(const zarvo::window::Message &message,
                     const std::vector<zarvo::window::Text> &items,
                     const zarvo::window::Text &confirm,
                     std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void handlerStarted(zarvo::window::Handler handler) override;
    void closeWindow() override;

    void makeControl(const zarvo::window::ControlRow &row);
    void nameByLabels();
    void orderTabs();
    void wireHandlers();
    void handle(zarvo::window::Handler handler);
    const zarvo::window::ControlRow *rowOf(const QObject *object) const;
    QLineEdit *box(zarvo::window::Box box) const;
    QRadioButton *option(zarvo::window::Option option) const;

    std::array<QWidget *, zarvo::window::kForm.size()> widgets_{};
    std::unique_ptr<zarvo::window::Form1> logic_;
    QPointer<QMessageBox> portNotice_;
};

}  // namespace zarvo::window::qt
