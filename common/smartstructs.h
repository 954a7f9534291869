#pragma once
// The two containers every part of both programs stores its data in:
//   List<T>    doubly linked list with one cursor and a 64-bit count;
//              a stack at the head (push/pop), a queue from the tail (enqueue/dequeue).
//   BST<T, K>  AVL tree of unique keys K mapping to items T, with in-order
//              listings into lists owned by the tree.
// Neither container ever follows a pointer it stores: pointed-to objects
// belong to whoever created them. No operation reports an error; reading an
// empty container yields a default-constructed value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <utility>

template <typename T>
class List {
public:
    List() noexcept = default;
    List(const List& source);
    List(List&& source) noexcept;
    List& operator=(const List& source);
    List& operator=(List&& source) noexcept;
    ~List();

    bool isEmpty() const noexcept { return head == nullptr; }
    std::uint64_t len() const noexcept { return count; }

    void push(const T& value);    // before the head; cursor moves only if the list was empty
    void enqueue(const T& value); // after the tail; cursor moves only if the list was empty
    T pop();                      // removes the head; a default T when empty
    T dequeue() { return pop(); } // queues are fed at the tail and drained at the head

    T first() const;   // head value, default T when empty
    T last() const;    // tail value, default T when empty
    T current() const; // value under the cursor, default T when empty

    void goToFirst() noexcept { cursor = head; }
    bool next() noexcept;                                    // false on the tail (cursor stays)
    bool isFirst() const noexcept { return cursor == head; } // true on an empty list
    bool isLast() const noexcept { return cursor == tail; }  // true on an empty list

    // Unlinks the cursor element; the cursor goes to its follower, or to its
    // predecessor when it was the tail. Walks that remove ask isLast() first.
    void removeCurrent();

    // Empties the list. Its elements are kept (up to a bound) for later
    // insertions, so a list refilled for every input line, like the AS path
    // of a parsed route, stops allocating once it has seen its longest fill.
    void clear();

private:
    struct list_element {
        T data{};
        list_element* prevElement = nullptr;
        list_element* nextElement = nullptr;
    };

    // Links a new element after the tail without touching the cursor or the count.
    void linkAtTail(const T& value);
    void freeFrom(list_element* element) noexcept;
    // A detached element holding `value`, taken from the spares when there are any.
    list_element* newElement(const T& value);
    // Takes an unlinked element out of use: kept as a spare (its value reset,
    // so it holds on to nothing) or freed once enough spares are kept.
    void retire(list_element* element);

    // Enough for the longest AS paths seen in real tables; bounds what an
    // emptied list keeps.
    static constexpr std::uint32_t maxSpare = 1024;

    list_element* head = nullptr;
    list_element* cursor = nullptr; // null exactly when the list is empty
    list_element* tail = nullptr;
    std::uint64_t count = 0;
    list_element* spare = nullptr; // chained through nextElement
    std::uint32_t spareCount = 0;
};

template <typename T, typename K>
class BST {
public:
    struct tree_node {
        T item{};
        K key{};
        tree_node* left = nullptr;  // keys smaller than key
        tree_node* right = nullptr; // keys greater than key
        std::int8_t balance = 0;    // right height minus left height
        std::uint8_t visitState = 0;
    };

    BST() noexcept = default;
    BST(const BST& source); // same shape, items, keys and balances; lists start empty
    BST(BST&& source) noexcept;
    BST& operator=(const BST& source); // reuses this tree's nodes; lists are left alone
    BST& operator=(BST&& source) noexcept;
    ~BST();

    bool isEmpty() const noexcept { return root == nullptr; }
    std::uint64_t len() const noexcept { return itemCount; }

    // False, with nothing changed, when the key is already present.
    bool addItem(const T& item, const K& key);
    // Address of the item stored under key, for reading or changing it in
    // place; null when the key is absent.
    T* findItem(const K& key) noexcept;
    const T* findItem(const K& key) const noexcept;

    // Refill the tree's own list in ascending key order and return it; the
    // next call of the same listing overwrites it, so callers copy it at once.
    List<T>& listItems();
    List<K>& listKeys();

    // Read-only view of the shape, for inspection.
    const tree_node* rootNode() const noexcept { return root; }

private:
    // Fewest nodes an AVL tree of height h can have grows like Fibonacci(h+2),
    // so a tree of even 2^64 nodes is at most 91 levels high. Every walk keeps
    // its path in a fixed array of this size instead of allocating a stack.
    static constexpr std::size_t maxHeight = 128;

    // Keys must follow one total order. Floating-point keys break it with a
    // NaN: every comparison with one is false, so it never equals itself and,
    // once a rotation moves it, hides the keys beside it from lookups. NaNs
    // are therefore taken as equal to each other and greater than any number;
    // numbers compare as usual (0.0 equals -0.0).
    static bool sameKey(const K& a, const K& b);
    static bool keyGreater(const K& a, const K& b);
    static bool keyLess(const K& a, const K& b);

    static tree_node* makeNode(const T& item, const K& key);
    void deleteSubTree(tree_node* node) noexcept;
    void copyFrom(const BST& source);
    template <typename Visit>
    void walkInOrder(Visit&& visit);

    void replaceChild(tree_node* parent, bool nodeIsLeft, tree_node* top) noexcept;
    void rotateLL(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept;
    void rotateLR(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept;
    void rotateRL(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept;
    void rotateRR(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept;

    tree_node* root = nullptr;
    std::uint64_t itemCount = 0;
    List<T> itemList;
    List<K> keyList;
};

// ---------------------------------------------------------------------------
// List

template <typename T>
List<T>::List(const List& source)
{
    for (const list_element* e = source.head; e != nullptr; e = e->nextElement) {
        linkAtTail(e->data);
        if (e == source.cursor) cursor = tail;
    }
    count = source.count;
}

template <typename T>
List<T>::List(List&& source) noexcept
    : head(std::exchange(source.head, nullptr)), cursor(std::exchange(source.cursor, nullptr)),
      tail(std::exchange(source.tail, nullptr)), count(std::exchange(source.count, 0))
{
}

template <typename T>
List<T>& List<T>::operator=(const List& source)
{
    if (this == &source) return *this;
    // Overwrite the common length in place: assigning lists of similar size
    // (listings refilled over and over) then costs no allocation at all.
    list_element* mine = head;
    const list_element* theirs = source.head;
    list_element* lastKept = nullptr;
    bool cursorPlaced = false;
    while (mine != nullptr && theirs != nullptr) {
        mine->data = theirs->data;
        if (theirs == source.cursor) {
            cursor = mine;
            cursorPlaced = true;
        }
        lastKept = mine;
        mine = mine->nextElement;
        theirs = theirs->nextElement;
    }
    if (mine != nullptr) {
        if (lastKept != nullptr) {
            lastKept->nextElement = nullptr;
            tail = lastKept;
        } else {
            head = tail = nullptr;
        }
        freeFrom(mine);
        if (!cursorPlaced) cursor = head;
    }
    for (; theirs != nullptr; theirs = theirs->nextElement) {
        linkAtTail(theirs->data);
        if (theirs == source.cursor) cursor = tail;
    }
    count = source.count;
    return *this;
}

template <typename T>
List<T>& List<T>::operator=(List&& source) noexcept
{
    if (this == &source) return *this;
    freeFrom(head);
    head = std::exchange(source.head, nullptr);
    cursor = std::exchange(source.cursor, nullptr);
    tail = std::exchange(source.tail, nullptr);
    count = std::exchange(source.count, 0);
    return *this;
}

template <typename T>
List<T>::~List()
{
    freeFrom(head);
    freeFrom(spare);
}

template <typename T>
void List<T>::freeFrom(list_element* element) noexcept
{
    while (element != nullptr) {
        list_element* following = element->nextElement;
        delete element;
        element = following;
    }
}

template <typename T>
typename List<T>::list_element* List<T>::newElement(const T& value)
{
    list_element* element = spare;
    if (element != nullptr) {
        spare = element->nextElement;
        --spareCount;
        element->nextElement = nullptr;
    } else {
        element = new list_element;
    }
    element->data = value;
    return element;
}

template <typename T>
void List<T>::retire(list_element* element)
{
    if (spareCount >= maxSpare) {
        delete element;
        return;
    }
    element->data = T{};
    element->prevElement = nullptr;
    element->nextElement = spare;
    spare = element;
    ++spareCount;
}

template <typename T>
void List<T>::clear()
{
    while (head != nullptr) {
        list_element* following = head->nextElement;
        retire(head);
        head = following;
    }
    cursor = tail = nullptr;
    count = 0;
}

template <typename T>
void List<T>::linkAtTail(const T& value)
{
    list_element* element = newElement(value);
    element->prevElement = tail;
    if (tail != nullptr) {
        tail->nextElement = element;
    } else {
        head = element;
        cursor = element;
    }
    tail = element;
}

template <typename T>
void List<T>::push(const T& value)
{
    list_element* element = newElement(value);
    element->nextElement = head;
    if (head != nullptr) {
        head->prevElement = element;
    } else {
        tail = element;
        cursor = element;
    }
    head = element;
    ++count;
}

template <typename T>
void List<T>::enqueue(const T& value)
{
    linkAtTail(value);
    ++count;
}

template <typename T>
T List<T>::pop()
{
    if (head == nullptr) return T{};
    list_element* removed = head;
    head = removed->nextElement;
    if (head != nullptr) {
        head->prevElement = nullptr;
    } else {
        tail = nullptr;
    }
    if (cursor == removed) cursor = head;
    --count;
    T value = std::move(removed->data);
    retire(removed);
    return value;
}

template <typename T>
T List<T>::first() const
{
    return head != nullptr ? head->data : T{};
}

template <typename T>
T List<T>::last() const
{
    return tail != nullptr ? tail->data : T{};
}

template <typename T>
T List<T>::current() const
{
    return cursor != nullptr ? cursor->data : T{};
}

template <typename T>
bool List<T>::next() noexcept
{
    if (cursor == nullptr || cursor->nextElement == nullptr) return false;
    cursor = cursor->nextElement;
    return true;
}

template <typename T>
void List<T>::removeCurrent()
{
    if (cursor == nullptr) return;
    list_element* removed = cursor;
    list_element* before = removed->prevElement;
    list_element* after = removed->nextElement;
    if (before != nullptr) {
        before->nextElement = after;
    } else {
        head = after;
    }
    if (after != nullptr) {
        after->prevElement = before;
    } else {
        tail = before;
    }
    cursor = after != nullptr ? after : before;
    --count;
    retire(removed);
}

// ---------------------------------------------------------------------------
// BST

template <typename T, typename K>
BST<T, K>::BST(const BST& source)
{
    copyFrom(source);
}

// Moves hand over the nodes only: like a copy, a new tree starts with empty
// listings, and an assigned tree keeps the listings it last returned.
template <typename T, typename K>
BST<T, K>::BST(BST&& source) noexcept
    : root(std::exchange(source.root, nullptr)), itemCount(std::exchange(source.itemCount, 0))
{
}

template <typename T, typename K>
BST<T, K>& BST<T, K>::operator=(const BST& source)
{
    if (this != &source) copyFrom(source);
    return *this;
}

template <typename T, typename K>
BST<T, K>& BST<T, K>::operator=(BST&& source) noexcept
{
    if (this == &source) return *this;
    deleteSubTree(root);
    root = std::exchange(source.root, nullptr);
    itemCount = std::exchange(source.itemCount, 0);
    return *this;
}

template <typename T, typename K>
BST<T, K>::~BST()
{
    deleteSubTree(root);
}

template <typename T, typename K>
bool BST<T, K>::sameKey(const K& a, const K& b)
{
    if constexpr (std::is_floating_point_v<K>) {
        if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    }
    return a == b;
}

template <typename T, typename K>
bool BST<T, K>::keyGreater(const K& a, const K& b)
{
    if constexpr (std::is_floating_point_v<K>) {
        if (std::isnan(a) || std::isnan(b)) return !std::isnan(b);
    }
    return a > b;
}

template <typename T, typename K>
bool BST<T, K>::keyLess(const K& a, const K& b)
{
    if constexpr (std::is_floating_point_v<K>) {
        if (std::isnan(a) || std::isnan(b)) return !std::isnan(a);
    }
    return a < b;
}

template <typename T, typename K>
typename BST<T, K>::tree_node* BST<T, K>::makeNode(const T& item, const K& key)
{
    auto* node = new tree_node;
    node->item = item;
    node->key = key;
    return node;
}

template <typename T, typename K>
void BST<T, K>::deleteSubTree(tree_node* node) noexcept
{
    if (node == nullptr) return;
    // Depth first, holding at most one pending right child per level.
    tree_node* pending[maxHeight + 1];
    std::size_t depth = 0;
    pending[depth++] = node;
    while (depth > 0) {
        tree_node* current = pending[--depth];
        if (current->right != nullptr) pending[depth++] = current->right;
        if (current->left != nullptr) pending[depth++] = current->left;
        delete current;
    }
}

// Makes this tree a node-for-node copy of source. Source and target are
// walked in step; a target node standing where the source has one is reused,
// target subtrees where the source has none are freed.
template <typename T, typename K>
void BST<T, K>::copyFrom(const BST& source)
{
    if (source.root == nullptr) {
        deleteSubTree(root);
        root = nullptr;
        itemCount = 0;
        return;
    }
    if (root == nullptr) root = new tree_node;
    struct step {
        const tree_node* from;
        tree_node* to;
    };
    step pending[maxHeight + 1];
    std::size_t depth = 0;
    pending[depth++] = {source.root, root};
    while (depth > 0) {
        const step s = pending[--depth];
        s.to->item = s.from->item;
        s.to->key = s.from->key;
        s.to->balance = s.from->balance;
        s.to->visitState = 0;
        for (const bool leftSide : {false, true}) { // right first, so the left side is copied first
            const tree_node* fromChild = leftSide ? s.from->left : s.from->right;
            tree_node*& toChild = leftSide ? s.to->left : s.to->right;
            if (fromChild != nullptr) {
                if (toChild == nullptr) toChild = new tree_node;
                pending[depth++] = {fromChild, toChild};
            } else {
                deleteSubTree(toChild);
                toChild = nullptr;
            }
        }
    }
    itemCount = source.itemCount;
}

template <typename T, typename K>
bool BST<T, K>::addItem(const T& item, const K& key)
{
    if (root == nullptr) {
        root = makeNode(item, key);
        itemCount = 1;
        return true;
    }
    tree_node* path[maxHeight];
    std::size_t depth = 0;
    tree_node* node = root;
    for (;;) {
        if (sameKey(node->key, key)) return false;
        path[depth++] = node;
        tree_node*& child = keyGreater(node->key, key) ? node->left : node->right;
        if (child == nullptr) {
            child = makeNode(item, key);
            break;
        }
        node = child;
    }
    ++itemCount;

    // Walk back up while the subtree below still grew; a rotation always
    // restores the height the subtree had before the insertion.
    bool grew = true;
    while (grew && depth > 0) {
        node = path[--depth];
        tree_node* parent = depth > 0 ? path[depth - 1] : nullptr;
        const bool nodeIsLeft = parent != nullptr && keyGreater(parent->key, node->key);
        if (keyGreater(node->key, key)) {
            if (node->balance == 1) grew = false;
            --node->balance;
        } else {
            if (node->balance == -1) grew = false;
            ++node->balance;
        }
        if (node->balance < -1) {
            if (node->left->balance > 0) {
                rotateLR(node, parent, nodeIsLeft);
                grew = false;
            } else {
                if (node->left->balance < 0) grew = false;
                rotateLL(node, parent, nodeIsLeft);
            }
        } else if (node->balance > 1) {
            if (node->right->balance < 0) {
                rotateRL(node, parent, nodeIsLeft);
                grew = false;
            } else {
                if (node->right->balance > 0) grew = false;
                rotateRR(node, parent, nodeIsLeft);
            }
        }
    }
    return true;
}

template <typename T, typename K>
T* BST<T, K>::findItem(const K& key) noexcept
{
    tree_node* node = root;
    while (node != nullptr) {
        if (sameKey(node->key, key)) return &node->item;
        node = keyLess(key, node->key) ? node->left : node->right;
    }
    return nullptr;
}

template <typename T, typename K>
const T* BST<T, K>::findItem(const K& key) const noexcept
{
    const tree_node* node = root;
    while (node != nullptr) {
        if (sameKey(node->key, key)) return &node->item;
        node = keyLess(key, node->key) ? node->left : node->right;
    }
    return nullptr;
}

// In-order walk without recursion: visitState 0 = go left, 1 = emit,
// 2 = go right. The stack holds at most the path from the root.
template <typename T, typename K>
template <typename Visit>
void BST<T, K>::walkInOrder(Visit&& visit)
{
    if (root == nullptr) return;
    tree_node* stack[maxHeight + 1];
    std::size_t depth = 0;
    root->visitState = 0;
    stack[depth++] = root;
    while (depth > 0) {
        tree_node* node = stack[--depth];
        switch (node->visitState) {
        case 0:
            node->visitState = 1;
            stack[depth++] = node;
            if (node->left != nullptr) {
                node->left->visitState = 0;
                stack[depth++] = node->left;
            }
            break;
        case 1:
            node->visitState = 2;
            stack[depth++] = node;
            visit(*node);
            break;
        default:
            node->visitState = 0;
            if (node->right != nullptr) {
                node->right->visitState = 0;
                stack[depth++] = node->right;
            }
            break;
        }
    }
}

template <typename T, typename K>
List<T>& BST<T, K>::listItems()
{
    itemList = List<T>();
    walkInOrder([this](const tree_node& node) { itemList.enqueue(node.item); });
    return itemList;
}

template <typename T, typename K>
List<K>& BST<T, K>::listKeys()
{
    keyList = List<K>();
    walkInOrder([this](const tree_node& node) { keyList.enqueue(node.key); });
    return keyList;
}

template <typename T, typename K>
void BST<T, K>::replaceChild(tree_node* parent, bool nodeIsLeft, tree_node* top) noexcept
{
    if (parent == nullptr) {
        root = top;
    } else if (nodeIsLeft) {
        parent->left = top;
    } else {
        parent->right = top;
    }
}

template <typename T, typename K>
void BST<T, K>::rotateLL(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept
{
    tree_node* l = node->left;
    node->left = l->right;
    l->right = node;
    replaceChild(parent, nodeIsLeft, l);
    node->balance = static_cast<std::int8_t>(-l->balance - 1);
    l->balance = static_cast<std::int8_t>(l->balance + 1);
}

template <typename T, typename K>
void BST<T, K>::rotateRR(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept
{
    tree_node* r = node->right;
    node->right = r->left;
    r->left = node;
    replaceChild(parent, nodeIsLeft, r);
    node->balance = static_cast<std::int8_t>(1 - r->balance);
    r->balance = static_cast<std::int8_t>(r->balance - 1);
}

template <typename T, typename K>
void BST<T, K>::rotateLR(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept
{
    tree_node* l = node->left;
    tree_node* g = l->right;
    node->left = g->right;
    l->right = g->left;
    g->left = l;
    g->right = node;
    replaceChild(parent, nodeIsLeft, g);
    node->balance = g->balance == -1 ? 1 : 0;
    l->balance = g->balance == 1 ? -1 : 0;
    g->balance = 0;
}

template <typename T, typename K>
void BST<T, K>::rotateRL(tree_node* node, tree_node* parent, bool nodeIsLeft) noexcept
{
    tree_node* r = node->right;
    tree_node* g = r->left;
    node->right = g->left;
    r->left = g->right;
    g->right = r;
    g->left = node;
    replaceChild(parent, nodeIsLeft, g);
    node->balance = g->balance == 1 ? -1 : 0;
    r->balance = g->balance == -1 ? 1 : 0;
    g->balance = 0;
}
