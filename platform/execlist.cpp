/*
 * execlist.cpp - the program's doubly linked list (see execlist.h).
 *
 * Invariant: in a list every node's ln_Succ->ln_Pred is the node itself,
 * from the head sentinel to the tail sentinel.
 */
#include "platform/execlist.h"

/* ------------------------------------------------------------ inspection */

void NewList(List *list)
{
    list->lh_HeadNode = Node{&list->lh_TailNode, nullptr, 0, 0, nullptr};
    list->lh_TailNode = Node{nullptr, &list->lh_HeadNode, 0, 0, nullptr};
    list->lh_Type = 0;
}

bool IsListEmpty(const List *list)
{
    return list->lh_HeadNode.ln_Succ == &list->lh_TailNode;
}

Node *GetHead(const List *list)
{
    return IsListEmpty(list) ? nullptr : list->lh_HeadNode.ln_Succ;
}

Node *GetTail(const List *list)
{
    return IsListEmpty(list) ? nullptr : list->lh_TailNode.ln_Pred;
}

/* The successor of the last node (and the predecessor of the first) is the
 * sentinel, recognised by its missing outward link. */
Node *GetSucc(const Node *node)
{
    Node *succ = node->ln_Succ;
    return (succ && succ->ln_Succ) ? succ : nullptr;
}

Node *GetPred(const Node *node)
{
    Node *pred = node->ln_Pred;
    return (pred && pred->ln_Pred) ? pred : nullptr;
}

uint32_t ListLength(const List *list)
{
    uint32_t n = 0;
    for (Node *node = GetHead(list); node; node = GetSucc(node))
        n++;
    return n;
}

/* Nodes count from 1; null for 0 or beyond the end. */
Node *GetNthNode(const List *list, uint32_t n)
{
    if (n == 0)
        return nullptr;
    Node *node = GetHead(list);
    for (uint32_t i = 1; node && i < n; i++)
        node = GetSucc(node);
    return node;
}

/* ------------------------------------------------------------ changes */

/* Links node behind pred, which may be a sentinel. */
static void LinkAfter(Node *pred, Node *node)
{
    node->ln_Succ = pred->ln_Succ;
    node->ln_Pred = pred;
    pred->ln_Succ->ln_Pred = node;
    pred->ln_Succ = node;
}

void AddHead(List *list, Node *node)
{
    LinkAfter(&list->lh_HeadNode, node);
}

void AddTail(List *list, Node *node)
{
    LinkAfter(list->lh_TailNode.ln_Pred, node);
}

/* A null pred inserts at the head, as exec's Insert does. */
void Insert(List *list, Node *node, Node *pred)
{
    LinkAfter(pred ? pred : &list->lh_HeadNode, node);
}

void Remove(Node *node)
{
    node->ln_Pred->ln_Succ = node->ln_Succ;
    node->ln_Succ->ln_Pred = node->ln_Pred;
    node->ln_Succ = nullptr;
    node->ln_Pred = nullptr;
}

Node *RemHead(List *list)
{
    Node *node = GetHead(list);
    if (node)
        Remove(node);
    return node;
}

Node *RemTail(List *list)
{
    Node *node = GetTail(list);
    if (node)
        Remove(node);
    return node;
}

/* Places node before the first node of lower priority, that is behind every
 * node of equal or higher priority, so equal priorities keep their order. */
void Enqueue(List *list, Node *node)
{
    Node *at = GetHead(list);
    while (at && at->ln_Pri >= node->ln_Pri)
        at = GetSucc(at);
    LinkAfter(at ? at->ln_Pred : list->lh_TailNode.ln_Pred, node);
}
