// Percentage counter that rewrites one line on standard error.
#ifndef SUPPORT_PROGRESS_H
#define SUPPORT_PROGRESS_H

class Progress {
public:
    Progress() {}
    void Set(long steps, double total);
    void Begin();  // prints the line for 1%
    void Next();   // one step; prints when a whole percentage is passed

private:
    void Print() const;

    long nextPercent = 1;
    double percentDone = 0;
    double percentStep = 1.0;
};

#endif
