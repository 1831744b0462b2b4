// What a screen reader reads for the controls of a tool window that have no caption of their
// own (text boxes, lists, drop-down lists) or whose captions repeat in the window (two "Insert"
// buttons, three "Set" options): a name made of parts, each the caption of another control (a
// label, check box, option or frame title) or an entry of the window's language section, joined
// by ": ". The names are made again whenever the window shows, in the language shown.
//
//   names.add(txtStart, {{chkStart}});                          // "Start Text"
//   names.add(cmdIns1, {{chkStart}, {cmdIns1}});                // "Start Text: Insert"
//   names.add(ListViewPrev, {{"accPreview", "Preview"}});       // from the language file
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <string_view>
#include <vector>

class QLabel;

namespace tools {

// One part of a name: the caption of a control, or the entry key of the language section (english
// when the section has none).
struct ReadPart {
  ReadPart(QWidget* control) : widget(control) {}  // NOLINT: a control reads as a part
  ReadPart(const char* entryKey, const char* englishText) : key(entryKey), english(englishText) {}
  QWidget* widget = nullptr;
  const char* key = nullptr;
  const char* english = nullptr;
};

// A control's caption as a screen reader says it: a label's or button's text, a frame's title,
// or, for a box, the name given to it; without the "&" that marks an access key and without a
// label's closing colon.
[[nodiscard]] QString spokenCaption(const QWidget* w);

class ReaderNames {
 public:
  // control reads as its parts. A control named by one label (a QLabel) becomes that label's buddy,
  // so that the label's Alt key moves there too. A drop-down list gets its name as the label that
  // it is "labelled by" (Qt reads a list's current item as its name on Linux): the label it names,
  // or a hidden one of its own.
  void add(QWidget* control, std::initializer_list<ReadPart> parts);
  // Names every control from section (a language section; "" gives the English texts), in the
  // order they were added, so that a name may be made of a name given before.
  void apply(std::string_view section);

 private:
  struct Entry {
    QPointer<QWidget> control;
    std::vector<QPointer<QWidget>> widgets;  // per part; null for a text part
    std::vector<const char*> keys, english;
    QPointer<QLabel> label;                  // a drop-down list's hidden label
  };
  std::vector<Entry> entries_;
};

}  // namespace tools
