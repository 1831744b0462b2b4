#include "tools/frame/widgets/reader_names.h"

#include "ui_kit/form_texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

namespace tools {

namespace {

// The caption as said: without its access-key marks ("&&" is a real "&") and without the colon
// that ends a label ("Remove:", "Retirer :"), since names are joined by colons.
QString spoken(const QString& caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == u'&') continue;
    out += caption[i];
  }
  out = out.trimmed();
  if (out.endsWith(u':')) out.chop(1);
  return out.trimmed();
}

}  // namespace

QString spokenCaption(const QWidget* w) {
  if (!w) return {};
  if (const auto* l = qobject_cast<const QLabel*>(w)) return spoken(l->text());
  if (const auto* b = qobject_cast<const QAbstractButton*>(w)) return spoken(b->text());
  if (const auto* g = qobject_cast<const QGroupBox*>(w)) return spoken(g->title());
  return w->accessibleName().trimmed();
}

void ReaderNames::add(QWidget* control, std::initializer_list<ReadPart> parts) {
  if (!control) return;
  Entry e;
  e.control = control;
  for (const ReadPart& p : parts) {
    e.widgets.emplace_back(p.widget);
    e.keys.push_back(p.key);
    e.english.push_back(p.english);
  }
  auto* onlyLabel = parts.size() == 1 ? qobject_cast<QLabel*>(parts.begin()->widget) : nullptr;
  if (onlyLabel) onlyLabel->setBuddy(control);
  // Qt reads a drop-down list's label from a label beside it whose buddy it is.
  if (qobject_cast<QComboBox*>(control) && !(onlyLabel && onlyLabel->parentWidget() == control->parentWidget())) {
    e.label = new QLabel(control->parentWidget());
    e.label->hide();
    e.label->setBuddy(control);
  }
  entries_.push_back(std::move(e));
}

void ReaderNames::apply(std::string_view section) {
  for (Entry& e : entries_) {
    if (!e.control) continue;
    QStringList parts;
    for (std::size_t i = 0; i < e.widgets.size(); ++i) {
      const QString part = e.keys[i] ? uikit::formText(section, e.keys[i], e.english[i]).trimmed() : spokenCaption(e.widgets[i]);
      if (!part.isEmpty()) parts << part;
    }
    const QString name = parts.join(QLatin1String(": "));
    if (name.isEmpty()) continue;
    e.control->setAccessibleName(name);
    if (e.label) e.label->setText(QString(name).replace(QLatin1Char('&'), QLatin1String("&&")));
  }
}

}  // namespace tools
