// The main window: the program's hub, holding the fax lists and every command.
#pragma once

#include <QMainWindow>

namespace app {

class TMainScreen : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainScreen(QWidget* parent = nullptr);

    bool FirstActivation = true;
    bool PortNeverConfigured = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
};

}  // namespace app
