#include "report/standard.hpp"

void ajouterStylesStandard(htmlDocument& document) {
  htmlStyle style;
  style.setFontFamily("Arial", "serif");
  style.setFontSize(htmlSize(10, htmlSize::Pt));
  document.addStyle(".petit", style);

  style.setFontSize(htmlSize(18, htmlSize::Pt));
  document.addStyle(".grand", style);

  style.setFontSize(htmlSize(10, htmlSize::Pt));
  style.setTextDecoration(htmlStyle::Underline);
  document.addStyle(".titre", style);

  style.setTextDecoration(0);
  style.setBorderStyle(htmlBorderStyle::Solid);
  style.setBorderColor(htmlColor(0, 0, 0));
  style.setBorderWidth(htmlSize(kBordureCellule, htmlSize::Px));
  style.setPadding(htmlSize(kPaddingCellule, htmlSize::Px));
  style.setMargin(htmlSize(kMargeCellule, htmlSize::Px));
  document.addStyle(".celnorm", style);

  style.setBackgroundColor(htmlColor(239, 239, 239));
  document.addStyle(".celgris", style);
}

htmlTable tableRapport() {
  htmlTable table;
  table.setAlignment(htmlTable::Center);
  table.setBorder(0);
  table.setCellPadding(kCellPaddingRapport);
  table.setCellSpacing(0);
  return table;
}
