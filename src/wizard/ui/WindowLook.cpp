#include "wizard/ui/WindowLook.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace qdt::wizard::ui {

QWidget* NewHeaderPanel(QWidget* parent) {
    auto* header = new QWidget(parent);
    header->setObjectName(QStringLiteral("picHeader"));
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
    header->setPalette(palette);
    return header;
}

void SetBold(QLabel* label) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
}

}  // namespace qdt::wizard::ui
