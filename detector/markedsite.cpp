#include "markedsite.h"

SnpSite::SnpSite(long position, float probability, char first, char second)
    : MarkedSite(position),
      probability(probability),
      allele1(first < second ? first : second),
      allele2(first < second ? second : first),
      detected(true),
      manual(false) {}

void SnpSite::SetManual(bool isDetected) {
    detected = isDetected;
    manual = true;
}

SLink<MarkedSite>* MarkedSites::StartFor(long position) const {
    if (lastInsert && lastInsert->data->GetPosition() <= position) return lastInsert;
    return head;
}

void MarkedSites::Collate(MarkedSite* site) {
    long position = site->GetPosition();
    SLink<MarkedSite>* node = StartFor(position);
    if (node != head && node->data->GetPosition() == position) {
        delete site;
        return;
    }
    while (node->next && node->next->data->GetPosition() < position) node = node->next;
    if (node->next && node->next->data->GetPosition() == position) {
        delete site;
        return;
    }
    node->next = new SLink<MarkedSite>{node->next, site};
    lastInsert = node->next;
    ++length;
}

void MarkedSites::Store(MarkedSite* site) {
    long position = site->GetPosition();
    SLink<MarkedSite>* node = StartFor(position);
    while (node->next && node->next->data->GetPosition() <= position) node = node->next;
    node->next = new SLink<MarkedSite>{node->next, site};
    lastInsert = node->next;
    ++length;
}

MarkedSite* MarkedSites::GetSite(long position) const {
    for (SLink<MarkedSite>* node = head->next; node; node = node->next) {
        long at = node->data->GetPosition();
        if (at == position) return node->data;
        if (at > position) return nullptr;
    }
    return nullptr;
}

void MarkedSites::Clear() {
    lastInsert = nullptr;
    SList<MarkedSite>::Clear();
}

void MarkedSites::Reset() {
    lastInsert = nullptr;
    SList<MarkedSite>::Reset();
}

MarkedSite* MarkedSites::Remove() {
    if (current->next == lastInsert) lastInsert = nullptr;
    return SList<MarkedSite>::Remove();
}
