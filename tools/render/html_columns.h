#ifndef RENDER_HTML_COLUMNS_H
#define RENDER_HTML_COLUMNS_H

#include <unordered_map>
#include <vector>

class TDFInstance;
class TDFObject;

// The lifeline column of each instance the events involve. A column is
// freed after its instance's deletion (and after any later event naming
// the instance) and taken by the next instance that needs one, so that the columns follow the instances alive at once, not
// all the trace ever made. Instances the events name but never create
// exist from the top and hold their columns from the start.
struct ColumnAssignment {
    std::unordered_map<const TDFInstance*, int> column;  // lives no longer than the instances
    std::vector<const TDFInstance*> instances;           // in the order they took their columns
    int count = 0;
};

// `firstColumn` is the column the first instance may take (after the world
// actor's, when it has one).
ColumnAssignment assignColumns(const std::vector<TDFObject*>& events, int firstColumn);

#endif
