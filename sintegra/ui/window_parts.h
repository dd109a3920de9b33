// Small pieces the SINTEGRA windows share: captions, value labels, the
// "PRESSIONE ESC PARA SAIR" line and the flat picture button.
#pragma once

#include <QLabel>
#include <QString>
#include <QToolButton>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace fiscora::qt {

QLabel* Caption(const QString& text, QWidget* parent, bool bold = false);
// A label the window writes into, named after its control.
QLabel* ValueLabel(const char* name, QWidget* parent, const QString& text = {});
// A flat button showing a drawn picture only; it has no action.
QToolButton* PictureButton(const char* name, QWidget* parent);
// Sets the labels named in the list, children of `window`, to their texts.
void SetLabels(QWidget* window, const std::vector<std::pair<std::string, std::string>>& labels);

}  // namespace fiscora::qt
