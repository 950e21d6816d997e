// The course dialog's filter, converted from the core's form to Qt's.
#pragma once

#include <QString>
#include <string>

namespace ormakin {

// Converts a filter of "description|pattern" pairs, all joined by '|'
// ("コースデータ|*.bmp"), into a file dialog's name filter ("コースデータ
// (*.bmp)"). Several entries are joined by ";;"; the patterns of one entry,
// separated by ';' in the core's form, are separated by blanks. A trailing
// description without a pattern is dropped; an empty filter gives an empty
// text, which the dialog reads as "all files".
QString ToDialogFilter(const std::string& filter);

}  // namespace ormakin
