// The values of the cell shapes (board/cell_shapes.h) that the evaluation
// adds: their text form, the values built into the program, and values read
// from a file for experiments.
//
// The text has one line per set and view: the set's name (renju_black,
// renju_white, freestyle, standard), the view (own: the side to move's
// cells; other: the other side's), then the values of shapes 1 ... 2380 in
// order, each a whole number from -32767 to 32767 in the evaluation's units
// before its scaling (the occupied shape, 0, is worth nothing). Each of the
// eight lines comes once; lines that start with # and blank lines are left
// out.
#pragma once

#include <string>
#include <string_view>

#include "board/cell_shapes.h"

using ShapeValueTables = ShapeValues[SHAPE_SET_COUNT];

// Reads the text into `values`. On an error, false, `values` as it was, and
// `error` says what is wrong and on which line.
bool parseShapeValues(std::string_view text, ShapeValueTables& values, std::string& error);

// The text of the values, the comment (if any) as its first lines.
std::string formatShapeValues(const ShapeValueTables& values, std::string_view comment);

// Puts the values built into the program (search/shape_values.inc, written
// by the fit of tools/tune) in ShapeValueSets. False, and every value 0,
// should the built-in text not read (a test holds the build to it).
bool useBuiltInShapeValues();

// Whether some value in ShapeValueSets is not 0 (the engine tracks the
// cells' shapes only then: shapesTracked).
bool someShapeValueSet();

// Reads the file into ShapeValueSets. On an error, false, the values in use
// unchanged, and `error` says why.
bool loadShapeValues(const char* path, std::string& error);
