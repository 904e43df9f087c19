#include "platform/qt/QtPairingView.h"

#include <qrencode.h>

#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QVBoxLayout>

namespace tarsel {
namespace {

// Rich text would render a browser's name as markup: every label is plain.
QLabel* plainLabel(QWidget* parent, bool wrap = true) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// Black modules on white with a quiet zone of four, scaled without smoothing.
QPixmap codeImage(const std::string& url, int side) {
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString(url.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
    if (!code) return {};
    const int quiet = 4, width = code->width + 2 * quiet;
    QImage image(width, width, QImage::Format_Mono);
    image.fill(1);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1) image.setPixel(x + quiet, y + quiet, 0);
    return QPixmap::fromImage(
        image.scaled(side, side, Qt::KeepAspectRatio, Qt::FastTransformation));
}

}  // namespace

QtPairingView::QtPairingView() = default;
QtPairingView::~QtPairingView() = default;

void QtPairingView::build() {
    window_ = std::make_unique<QWidget>();
    window_->setWindowTitle(QStringLiteral("Tarsel"));
    window_->setWindowFlag(Qt::WindowStaysOnTopHint);  // an agent without windows must be seen
    auto* layout = new QVBoxLayout(window_.get());
    qr_ = new QLabel(window_.get());
    qr_->setAlignment(Qt::AlignCenter);
    caption_ = plainLabel(window_.get());
    typeHint_ = plainLabel(window_.get());
    timeLeft_ = plainLabel(window_.get());
    pairApp_ = new QPushButton(window_.get());
    appPin_ = plainLabel(window_.get());
    request_ = new QWidget(window_.get());
    auto* requestLayout = new QVBoxLayout(request_);
    question_ = plainLabel(request_);
    code_ = plainLabel(request_, false);
    code_->setAlignment(Qt::AlignCenter);
    QFont big = code_->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    code_->setFont(big);
    auto* buttons = new QHBoxLayout();
    approve_ = new QPushButton(request_);
    deny_ = new QPushButton(request_);
    buttons->addWidget(deny_);
    buttons->addWidget(approve_);
    requestLayout->addWidget(question_);
    requestLayout->addWidget(code_);
    requestLayout->addLayout(buttons);
    for (QWidget* w : std::initializer_list<QWidget*>{qr_, caption_, typeHint_, timeLeft_, request_,
                                                      pairApp_, appPin_})
        layout->addWidget(w);
    QObject::connect(pairApp_, &QPushButton::clicked, window_.get(), [this] {
        if (actions_.pairPhoneApp) actions_.pairPhoneApp();
    });
    QObject::connect(approve_, &QPushButton::clicked, window_.get(), [this] {
        if (actions_.answer) actions_.answer(true);
    });
    QObject::connect(deny_, &QPushButton::clicked, window_.get(), [this] {
        if (actions_.answer) actions_.answer(false);
    });
    window_->setFixedWidth(380);
}

void QtPairingView::showCode(const std::string& url) {
    if (url == shownUrl_) return;
    shownUrl_ = url;
    qr_->setVisible(!url.empty());
    if (!url.empty()) qr_->setPixmap(codeImage(url, 300));
}

void QtPairingView::show(const PairingViewState& state, const PairingViewActions& actions) {
    if (!window_) build();
    actions_ = actions;
    window_->setWindowTitle(text(state.title));
    showCode(state.qrUrl);
    caption_->setText(text(state.caption));
    typeHint_->setText(text(state.typeHint));
    timeLeft_->setText(text(state.timeLeft));
    pairApp_->setText(text(state.pairAppButton));
    appPin_->setText(text(state.appPin));
    appPin_->setVisible(!state.appPin.empty());
    request_->setVisible(state.request.has_value());
    if (state.request) {
        question_->setText(text(state.request->question));
        const std::string& c = state.request->code;
        code_->setText(text(c.size() == 6 ? c.substr(0, 3) + " " + c.substr(3) : c));
        approve_->setText(text(state.request->approve));
        deny_->setText(text(state.request->deny));
    }
    if (!window_->isVisible()) {
        window_->show();
        window_->raise();
        window_->activateWindow();
    }
}

void QtPairingView::close() {
    if (window_) window_->hide();
    actions_ = {};
}

}  // namespace tarsel
