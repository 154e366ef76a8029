// Fits the values of the cell shapes (board/cell_shapes.h) to the self-play
// records of tools/tune/datagen.py. Each quiet position before an engine's
// move is a sample: the evaluation without the shapes (the threat classes'
// part, which stays as it is), the counts of the shapes of the side to
// move's empty cells and of the other side's, and a label that blends the
// game's result with the win chance the search's score of the move stood
// for. The fit is the values that make a logistic curve of the whole
// evaluation predict the labels best (least mean squared error), held near
// zero by a prior, from Adam steps over all the samples: deterministic, so
// the same records give the same values.
#pragma once

#include <cstdint>
#include <istream>
#include <vector>

#include "board/cell_shapes.h"
#include "board/types.h"
#include "search/shape_values.h"

// A value of the fit: the set of the cell's colour, the view, the shape.
constexpr uint32_t SHAPE_FEATURES = SHAPE_SET_COUNT * 2 * SHAPE_COUNT;
constexpr uint32_t shapeFeature(uint32_t set, uint32_t view, uint32_t shape) {
    return (set * 2 + view) * SHAPE_COUNT + shape;
}
// After the shapes, the worth of being the side to move: one value per set
// of the side to move's cells and its colour (black or white), which every
// sample has once. The engine has no use for it (a search compares
// positions with one side to move), but without it the fit loads the first
// move's advantage onto the shapes that one colour's cells have everywhere,
// and a null move or the next ply sees the evaluation jump.
constexpr uint32_t SIDE_FEATURES = SHAPE_SET_COUNT * 2;
constexpr uint32_t FIT_VALUES = SHAPE_FEATURES + SIDE_FEATURES;
constexpr uint32_t sideFeature(uint32_t set, bool blackToMove) {
    return SHAPE_FEATURES + set * 2 + (blackToMove ? 0 : 1);
}

struct ShapeSample {
    float base;      // the evaluation without the shapes, the side to move's view
    float result;    // of the game, for the side to move: 1 won, 0.5 drawn, 0 lost
    float searched;  // the search's score of the move played, in evaluation units
    bool validation; // held out of the fit: its game's index ends in 0
    uint32_t first;  // its entries in ShapeSamples::feature and ::count
    uint32_t entries;
};

// The samples and their shape counts, an entry per shape a sample has: the
// count is the number of the side to move's cells of that shape (own view)
// or minus the number of the other side's (other view), so that the shapes'
// part of the evaluation is the sum of value times count, scaled as the
// evaluation scales its sum.
struct ShapeSamples {
    std::vector<ShapeSample> samples;
    std::vector<uint16_t> feature;
    std::vector<int16_t> count;
};

struct DatagenSummary {
    uint64_t games = 0;        // played to a result
    uint64_t leftOut = 0;      // dropped, a fault, or not a record line
    uint64_t positions = 0;    // engine moves replayed
    uint64_t quiet = 0;        // samples kept
};

// Reads a datagen record (index, rule, stones, result, reason, moves; lines
// that start with # are its header) and appends the samples of every quiet
// position before an engine's move whose search found no win or loss: the
// side to move cannot make five or an open four or a four-three, nor can
// the other side make five. Under renju X is black.
void readShapeSamples(std::istream& record, uint32_t boardSize, ShapeSamples& into, DatagenSummary& summary);

struct ShapeFitOptions {
    int steps = 400;           // Adam steps over all the training samples
    double rate = 20;          // the step size, in value units
    double resultShare = 0.5;  // of the label; the rest is the search's score
    // Adds prior times the mean of (value / 1000)^2 over the values the
    // samples hold to the error.
    double prior = 0.01;
    // Holds each value as if that many more samples with the shape had said
    // it was worth nothing: a shape few samples have keeps a small value,
    // which the mean-based prior above cannot do (Adam moves a rare value
    // as fast as a common one, and the search then seeks out the noise).
    double ridge = 0;
    // Keeps each shape's value as the other side's at a quarter of its
    // value as the side to move's, as the class weights have it: counting
    // the side to move's chances four times helps the search more than it
    // predicts results.
    bool tieSides = false;
    // Tied, the own value over the other's: 4 as above; 1 makes the shapes'
    // part of the evaluation change sign with the side to move, so that a
    // null move turns it round exactly.
    double ownToOther = 4;
};

// The label of a sample: the blend of the result and the logistic curve of
// the search's score at scale k.
double shapeLabel(const ShapeSample& s, double k, double resultShare);

// The evaluation of a sample with the given values (all sets and views and
// the side to move's worth, FIT_VALUES of them: with that worth 0 it is the
// engine's evaluation, the shapes' tempo included), and its mean squared
// error against the labels (resultShare 1: against the results alone) over
// the training or the held-out samples.
double sampleEvaluation(const ShapeSamples& data, const ShapeSample& s, const std::vector<double>& values);
double shapeError(const ShapeSamples& data, const std::vector<double>& values, double k, double resultShare,
                  bool validation);

// The logistic scale that fits the evaluation without the shapes to the
// results best (a golden-section search).
double fitShapeScale(const ShapeSamples& data);

// Adam steps from the given values (FIT_VALUES); the values of shapes no
// sample has, of the occupied shape and of SHAPE_NOTHING stay as they were,
// and every value stays within int16. The side to move's worth is fitted
// too, outside the prior.
std::vector<double> fitShapeValues(const ShapeSamples& data, std::vector<double> values, double k,
                                   const ShapeFitOptions& options);

// The fit's values (FIT_VALUES, the side to move's worth 0) to and from the
// engine's tables.
std::vector<double> valuesOf(const ShapeValueTables& tables);
void tablesOf(const std::vector<double>& values, ShapeValueTables& tables);
