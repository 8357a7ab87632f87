// Percentage counter that rewrites one line on standard error.
#ifndef SUPPORT_PROGRESS_H
#define SUPPORT_PROGRESS_H

class Progress {
public:
    Progress() {}
    void Set(long steps, double total);
    void Begin();  // prints the line for 1%
    // One step; prints when a whole percentage is passed. Called once per
    // column of a contig: the common case is an add and a compare.
    void Next() {
        percentDone += percentStep;
        if (percentDone > threshold) Passed();
    }

private:
    void Passed();  // prints the line for nextPercent, then sets the next one
    void SetNext(long percent);
    void Print() const;

    long nextPercent = 1;
    double threshold = 1;  // nextPercent as a double
    double percentDone = 0;
    double percentStep = 1.0;
};

#endif
