#include "widgets/status_lines.h"

#include <QGridLayout>
#include <algorithm>
#include <utility>

namespace zelmar {

StatusLines::StatusLines(int width, std::function<void()> stop, QWidget* parent)
    : QWidget(parent),
      port_(new ElidedLabel(this)),
      progress_(new QProgressBar(this)),
      stop_(new QPushButton(tr("Stop"), this)),
      job_(new ElidedLabel(this)) {
    progress_->setMaximumWidth(70);
    progress_->setMaximumHeight(12);
    progress_->setTextVisible(false);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    grid->addWidget(port_, 0, 0, 1, 3);
    grid->addWidget(job_, 1, 0);
    grid->addWidget(progress_, 1, 1);
    grid->addWidget(stop_, 1, 2);
    // The job's text takes what room there is; the bar and the button only what they need.
    grid->setColumnStretch(0, 1);
    stop_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    stop_->setMaximumHeight(progress_->maximumHeight() + 8);
    stop_->setToolTip(tr("Ends the job once the object under way has finished (Esc)"));
    stop_->setFocusPolicy(Qt::NoFocus);
    connect(stop_, &QPushButton::clicked, this, std::move(stop));
    setFixedWidth(width);
    setFixedHeight(port_->height() + grid->spacing() +
                   std::max(job_->height(), stop_->maximumHeight()));
}

void StatusLines::ShowPort(const QString& text) {
    port_->SetFullText(text);
}

void StatusLines::ShowJob(const QString& text, bool busy, int done, int total) {
    job_->SetFullText(text);
    const bool running = busy && total > 0;
    progress_->setVisible(running);
    stop_->setVisible(busy);
    if (running) {
        progress_->setRange(0, total);
        progress_->setValue(std::min(done, total));
    }
}

}  // namespace zelmar
