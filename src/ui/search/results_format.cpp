#include "ui/search/results_format.h"

namespace kp {

QString FormatWithNumber(const QString& format, std::int64_t value) {
  QString text;
  text.reserve(format.size() + 20);
  bool numberPlaced = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c != u'%' || i + 1 == format.size()) {
      text += c;
      continue;
    }
    const QChar next = format[i + 1];
    if (next == u'%') {
      text += u'%';
      ++i;
    } else if (next == u'd' && !numberPlaced) {
      text += QString::number(value);
      numberPlaced = true;
      ++i;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace kp
