#pragma once

class QLabel;
class QWidget;

namespace qdt::wizard::ui {

// The windows were laid out in twips; one pixel is 15 twips at 96 dots per inch.
constexpr int Pixels(int twips) { return (twips + 7) / 15; }

// The white band at the top of both windows that holds the title and subtitle.
QWidget* NewHeaderPanel(QWidget* parent);
void SetBold(QLabel* label);

}  // namespace qdt::wizard::ui
