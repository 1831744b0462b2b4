// The members that shared pieces call on a form by name: the delayed-resize control and the size
// grip call doResize; the file dialog calls loadHandle/saveHandle; the folder dialog browseClose;
// the substring dialog loadHandleFrmStr. A form implements what it offers; the defaults do nothing.
#pragma once

#include <QString>

#include <cstdint>

namespace core {

class ToolForm {
 public:
  virtual ~ToolForm() = default;
  // Lays out the form's controls for its current size.
  virtual void doResize() {}
  // The file dialog's chosen file (open mode). 0 accepts (the dialog closes), anything else keeps it open.
  virtual std::uint8_t loadHandle(const QString& /*myFile*/) { return 0; }
  // The file dialog's chosen file (save mode). 0 accepts (the dialog closes), anything else keeps it open.
  virtual std::uint8_t saveHandle(const QString& /*myFile*/) { return 0; }
  // The substring dialog's result, start & ";" & length.
  virtual void loadHandleFrmStr(const QString& /*startAndLength*/) {}
  // The folder dialog's chosen folder.
  virtual void browseClose(const QString& /*myPath*/) {}
};

}  // namespace core
