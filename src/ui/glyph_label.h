#pragma once

#include "ui/click_label.h"

namespace echodelve::ui {

// The window's glyph buttons, drawn as shapes so they need no symbol font.
class GlyphLabel : public ClickLabel {
    Q_OBJECT
  public:
    enum class Glyph { MenuArrow, Minimize, Close };

    GlyphLabel(Glyph glyph, QWidget* parent);
    Glyph Kind() const { return glyph_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Glyph glyph_;
};

}  // namespace echodelve::ui
