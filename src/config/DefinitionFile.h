#pragma once

#include "config/ConfigItem.h"

#include <QString>

// The parameter definition file shipped beside the tool: for each configuration item its run of
// holding registers and its section and key in configuration files.

// <folder of the executable>/deffiles/z4_0parameters.def, whatever the current directory is.
QString StandardDefinitionPath();

// Reads the definition file at path into both images of images (item i of each gets the same run
// and names, every value 0), sets ItemCount and ActiveItemCount to the number of items and marks
// files as holding the extended set until one is read.
//
// The file must describe the transfer table: at most as many items as the table has rows, item i
// with row i's first register and register count, every item with a section and a key that no
// other item uses. When it does not (or cannot be read), returns false with the file and the
// first bad item in *error, and images is left as it was.
bool ReadDefinitionFile(const QString &path, TConfigImages &images, QString *error);
