#ifndef RESOURCE_COMPARE_H
#define RESOURCE_COMPARE_H

class QARes;

// True when two chains hold the same tags, kinds and values, member by
// member; source positions are not compared.
bool sameResources(const QARes* a, const QARes* b);

#endif
