/*
 * execlist.h - the doubly linked list with typed, prioritised nodes on which
 * every list of the program is built (pages, elements, list-browser mirrors,
 * headline rows, ARexx tools).
 *
 * A list owns two sentinel nodes, so an empty list needs no special case:
 * the head sentinel has no predecessor, the tail sentinel no successor.
 * Nodes are linked in place; the list never allocates or frees.
 */
#ifndef PAGIMO_PLATFORM_EXECLIST_H
#define PAGIMO_PLATFORM_EXECLIST_H

#include <cstdint>

struct Node {
    Node *ln_Succ;
    Node *ln_Pred;
    uint8_t ln_Type;
    int8_t ln_Pri;
    char *ln_Name;
};

struct List {
    Node lh_HeadNode; /* ln_Succ is the first node, or &lh_TailNode */
    Node lh_TailNode; /* ln_Pred is the last node, or &lh_HeadNode */
    uint8_t lh_Type;
};

void NewList(List *list);
bool IsListEmpty(const List *list);
Node *GetHead(const List *list);
Node *GetTail(const List *list);
Node *GetSucc(const Node *node);
Node *GetPred(const Node *node);
uint32_t ListLength(const List *list);
Node *GetNthNode(const List *list, uint32_t n);

void AddHead(List *list, Node *node);
void AddTail(List *list, Node *node);
void Insert(List *list, Node *node, Node *pred);
void Remove(Node *node);
Node *RemHead(List *list);
Node *RemTail(List *list);
void Enqueue(List *list, Node *node);

#endif
