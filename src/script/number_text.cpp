#include "script/number_text.h"

#include <QLocale>

namespace balvix::script {

QString numberText(double value, int decimals, bool grouping) {
  static const QLocale grouped = [] {
    QLocale ru(QLocale::Russian, QLocale::Russia);
    ru.setNumberOptions(QLocale::DefaultNumberOptions);
    return ru;
  }();
  static const QLocale plain = [] {
    QLocale ru(QLocale::Russian, QLocale::Russia);
    ru.setNumberOptions(QLocale::OmitGroupSeparator);
    return ru;
  }();
  return (grouping ? grouped : plain).toString(value, 'f', decimals);
}

}  // namespace balvix::script
