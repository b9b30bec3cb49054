// SPDX-License-Identifier: MIT
// Form1 in Qt 6 Widgets: the form, its event wiring and focus events, as one view of the core.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

#include "core/form1.h"
#include "core/view.h"

class QLineEdit;
class QMessageBox;
class QPushButton;
class QRadioButton;

namespace Ui {
class Form1;
}

/// @p font made smaller, half a point at a time down to 6 points, until @p text is at most
/// @p width pixels wide.
QFont fontToFit(QFont font, const QString &text, int width);

/// The operator window. Every handled event goes to core::Form1; this class only draws the form
/// and does what the core asks of a window.
class Form1 : public QWidget, private core::View {
    Q_OBJECT

  public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    /// The window's logic and state.
    core::Form1 &logic() { return *logic_; }

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
    void offerChoice(const core::Message &message, const std::vector<core::Text> &items,
                     const core::Text &confirm, std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void handlerStarted(core::Handler handler) override;
    void closeWindow() override;

    QLineEdit *box(core::Box box) const;
    QRadioButton *option(core::Option option) const;
    void connectHandlers();
    void handle(core::Handler handler);
    void drawSoon();
    void showTexts();
    void showText(core::Box box);
    void putText(core::Box box, const QString &text);
    void makeOptionLabelsClickable();
    static void fitCaption(QPushButton *button);

    std::unique_ptr<Ui::Form1> ui;
    std::unique_ptr<core::Form1> logic_;
    QPointer<QMessageBox> portNotice_;
    std::map<core::Box, core::Text> unshownTexts_;  // set by the core, not yet in their boxes
    QTimer drawTimer_;                              // when they go in
};
