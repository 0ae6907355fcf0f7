#ifndef TDF_TCF_LOADER_H
#define TDF_TCF_LOADER_H

// Builds trace configurations from resource trees:
//
//   tcf = {
//       name = "embedded"            # required; selects the configuration
//       id_length = 2                # words of a definition-block identification, 9 at most
//       control_flow = NESTED        # or FLAT (the default)
//       style = { name = "..." id = 1 text = {...} background = {...} line = {...} }
//       default_style = { instance = { title = 1 ... } message = {...} world = 1 ... }
//       instance_type = { id = Task control_flow = FLAT style = 1 naming = [...] }
//       thread_state = { id = 1 name = "running" is_active_state = true }
//       glyph = { id = 1 name = "..." icon_tag = "..." type = UNEXPECTED_CALL }
//       loop_naming = [ "%1 x%2", LOOP_ID, LOOP_REPEAT ]
//   }
//
// Every problem is reported through Error::error at the node concerned and
// loading goes on: a faulty top-level key gives up its configuration, a
// faulty member of a style, instance type, thread state or glyph gives up
// that entry, a faulty default-style key leaves its slot, and a faulty
// naming list leaves its holder without a naming.

#include "export.h"

#include <QString>

class QARes;
class Style;
class TCFList;

// Makes each style entry that passed its name, id and duplicate checks;
// must return a new Style (or subclass) carrying that name and id.
typedef Style* (*StyleFactory)(const QString& name, int id);

// A new list (owned by the caller, with its configurations) of every node
// tagged "tcf" along the chain starting at `root`; null for a null root.
// `styleFactory` may be null for plain styles.
TDF_EXPORT TCFList* readTCFFromResources(QARes* root, StyleFactory styleFactory);

#endif
