#pragma once

#include "HdbFixtureWriter.h"

#include <vector>

// Contacts that reach the corners of both log formats: overlong and reversed
// callsigns, Japan time and UTC, double-byte and half-width text, quotes and
// commas in remarks, short QSL marks, deleted records; then a run of ordinary
// portable contacts. Every text fits the standard HAMLOG.HDB field lengths.
std::vector<HdbContact> SampleContacts();

// How many of SampleContacts() the extraction keeps with no filter set.
int SampleContactsSelected();
