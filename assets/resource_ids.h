#ifndef NIVARO_RESOURCE_IDS_H
#define NIVARO_RESOURCE_IDS_H

/* Shared by the resource scripts and the C++ code, so plain defines only. */

/* The lowest icon ID is the one Explorer shows for the executable. */
#define IDI_NIVARO 1
#define IDI_ITEM 2
#define IDB_SEPARATOR 3

#endif /* NIVARO_RESOURCE_IDS_H */
