#include "speaking_window/SpeakingWindow.h"

#include "platform/WavFile.h"
#include "speaking_window/ComparisonChart.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QSaveFile>
#include <QSettings>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace lesnor {
namespace {

const QString kGeometryKey = QStringLiteral("speaking/geometry");

QString seconds(double s) {
    return QStringLiteral("%1 秒").arg(s, 0, 'f', 1);
}

QString figuresText(const Comparison& c) {
    const auto pauses = [](const VoiceAnalysis& a) { return int(a.pauses.size()); };
    return QStringLiteral("长度比（我的 ÷ 原声）：%1    停顿（超过 0.3 秒）：原声 %2 处，我的 %3 处    "
                          "音高范围：原声 %4 半音，我的 %5 半音")
        .arg(c.lengthRatio, 0, 'f', 2)
        .arg(pauses(c.model))
        .arg(pauses(c.attempt))
        .arg(c.model.pitchRangeSemitones(), 0, 'f', 1)
        .arg(c.attempt.pitchRangeSemitones(), 0, 'f', 1);
}

} // namespace

SpeakingWindow::SpeakingWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , model_(std::make_shared<Sound>()) {
    setObjectName(QStringLiteral("发音对比"));
    setWindowTitle(QStringLiteral("发音对比"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("SentenceText"));
    text_->setWordWrap(true);
    QFont big = text_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    text_->setFont(big);
    layout->addWidget(text_);

    auto* row = new QHBoxLayout;
    attemptList_ = new QComboBox(this);
    attemptList_->setObjectName(QStringLiteral("Attempts"));
    attemptList_->setFocusPolicy(Qt::NoFocus);
    attemptList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    attemptList_->setMinimumContentsLength(10);
    connect(attemptList_, &QComboBox::activated, this, &SpeakingWindow::showAttempt);
    row->addWidget(attemptList_);
    meter_ = new QProgressBar(this);
    meter_->setObjectName(QStringLiteral("Level"));
    meter_->setRange(0, 60); // -60 dBFS to full scale
    meter_->setTextVisible(false);
    meter_->setMaximumHeight(12);
    row->addWidget(meter_, 1);
    seconds_ = new QLabel(this);
    row->addWidget(seconds_);
    layout->addLayout(row);

    chart_ = new ComparisonChart(this);
    layout->addWidget(chart_, 1);
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("Figures"));
    figures_->setWordWrap(true);
    layout->addWidget(figures_);
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("Notice"));
    notice_->setWordWrap(true);
    QPalette red = notice_->palette();
    red.setColor(QPalette::WindowText, QColor(180, 30, 30));
    notice_->setPalette(red);
    layout->addWidget(notice_);
    auto* keys = new QLabel(
        QStringLiteral("1 听原声　2 听我的　3 先后都听　S 再试一次　Ctrl+S 保存我的录音　Esc 关闭"), this);
    keys->setEnabled(false);
    layout->addWidget(keys);

    resize(720, 520);
    restoreGeometry(QSettings().value(kGeometryKey).toByteArray());
}

SpeakingWindow::~SpeakingWindow() = default;

void SpeakingWindow::setSentence(const QString& text, Sound model) {
    ++generation_;
    text_->setText(text);
    model_ = std::make_shared<Sound>(std::move(model));
    attempts_.clear();
    attemptList_->clear();
    attemptNumber_ = 0;
    chart_->show(nullptr, nullptr, nullptr);
    figures_->clear();
    notice_->clear();
}

void SpeakingWindow::addAttempt(Sound attempt) {
    auto sound = std::make_shared<const Sound>(std::move(attempt));
    std::shared_ptr<const Sound> model = model_;
    const int generation = generation_;
    QPointer<SpeakingWindow> self(this);
    QThread* thread = QThread::create([self, model, sound, generation] {
        auto comparison = std::make_shared<const Comparison>(compareAttempt(*model, *sound));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, sound, comparison] {
                if (self)
                    self->analysed(generation, {sound, comparison});
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void SpeakingWindow::analysed(int generation, Attempt attempt) {
    if (generation != generation_)
        return;
    attempts_.push_front(std::move(attempt));
    if (int(attempts_.size()) > kAttemptsKept)
        attempts_.pop_back();
    ++attemptNumber_;
    attemptList_->clear();
    for (int i = 0; i < int(attempts_.size()); ++i)
        attemptList_->addItem(QStringLiteral("第 %1 次（%2）")
                                  .arg(attemptNumber_ - i)
                                  .arg(seconds(attempts_[size_t(i)].sound->seconds())));
    showAttempt(0);
    emit attemptShown();
}

void SpeakingWindow::showAttempt(int index) {
    if (index < 0 || index >= int(attempts_.size()))
        return;
    attemptList_->setCurrentIndex(index);
    const Attempt& a = attempts_[size_t(index)];
    chart_->show(a.comparison, model_, a.sound);
    const Comparison& c = *a.comparison;
    figures_->setText(c.comparable() ? figuresText(c) : QString());
    QStringList problems;
    if (!c.comparable())
        problems << problemText(c.problem);
    if (c.attempt.clipped)
        problems << clippingText();
    notice_->setText(problems.join(QLatin1Char('\n')));
}

void SpeakingWindow::showRecording(double levelDb, double secondsSoFar) {
    meter_->setValue(int(std::clamp(levelDb + 60, 0.0, 60.0)));
    seconds_->setText(seconds(secondsSoFar));
}

void SpeakingWindow::showNotice(const QString& text) {
    notice_->setText(text);
}

void SpeakingWindow::present() {
    show();
    raise();
    activateWindow();
}

const Comparison* SpeakingWindow::shownComparison() const {
    const int i = attemptList_->currentIndex();
    return i >= 0 && i < int(attempts_.size()) ? attempts_[size_t(i)].comparison.get() : nullptr;
}

const Sound* SpeakingWindow::shownAttempt() const {
    const int i = attemptList_->currentIndex();
    return i >= 0 && i < int(attempts_.size()) ? attempts_[size_t(i)].sound.get() : nullptr;
}

bool SpeakingWindow::saveShownAttempt(const QString& path) const {
    const Sound* sound = shownAttempt();
    if (!sound || sound->rate <= 0)
        return false;
    const std::vector<qint16> pcm = pcm16Of(*sound);
    QByteArray data(reinterpret_cast<const char*>(pcm.data()), qsizetype(pcm.size() * 2));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(wavHeader({sound->rate, 1, 16}, data.size()));
    out.write(data);
    return out.commit();
}

void SpeakingWindow::saveWithDialog() {
    if (!shownAttempt()) {
        showNotice(QStringLiteral("还没有可以保存的录音。"));
        return;
    }
    // The dialog asks before it replaces the name chosen; ".wav" is added when missing,
    // and then the file of that name is asked about here.
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("保存我的录音"), QDir::homePath(),
                                                QStringLiteral("WAV 录音 (*.wav)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".wav");
        if (QFileInfo::exists(path) &&
            QMessageBox::question(
                this, QStringLiteral("保存我的录音"),
                QStringLiteral("%1 已经存在。要替换它吗？").arg(QFileInfo(path).fileName())) !=
                QMessageBox::Yes)
            return;
    }
    showNotice(saveShownAttempt(path) ? QStringLiteral("已保存：%1").arg(QDir::toNativeSeparators(path))
                                      : QStringLiteral("无法保存到 %1").arg(QDir::toNativeSeparators(path)));
}

void SpeakingWindow::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_1:
        emit playModelRequested();
        return;
    case Qt::Key_2:
        emit playAttemptRequested();
        return;
    case Qt::Key_3:
        emit playBothRequested();
        return;
    case Qt::Key_S:
        ctrl ? saveWithDialog() : emit tryAgainRequested();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SpeakingWindow::hideEvent(QHideEvent* event) {
    QSettings().setValue(kGeometryKey, saveGeometry());
    QWidget::hideEvent(event);
}

} // namespace lesnor
