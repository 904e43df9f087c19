#pragma once
// The pairing window on a Qt desktop: a small QWidget with the QR code (from
// libqrencode), plain-text labels and the buttons. Closing it by hand only
// hides it; pairing stays open until it runs out or is closed from the menu.
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "platform/PairingView.h"

namespace tarsel {

class QtPairingView : public PairingView {
  public:
    QtPairingView();
    ~QtPairingView() override;
    void show(const PairingViewState& state, const PairingViewActions& actions) override;
    void close() override;

  private:
    void build();
    void showCode(const std::string& url);

    std::unique_ptr<QWidget> window_;
    QLabel *qr_ = nullptr, *caption_ = nullptr, *typeHint_ = nullptr, *timeLeft_ = nullptr,
           *appPin_ = nullptr, *question_ = nullptr, *code_ = nullptr;
    QPushButton *pairApp_ = nullptr, *approve_ = nullptr, *deny_ = nullptr;
    QWidget* request_ = nullptr;
    std::string shownUrl_;
    PairingViewActions actions_;
};

}  // namespace tarsel
