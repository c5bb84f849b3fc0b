// A singly linked list owning its nodes; holds a clip's frames, steps and sounds.
#pragma once

#include <new>

template <typename T>
class ClipList {
 public:
  ClipList() = default;
  ~ClipList() { Clear(); }
  ClipList(const ClipList&) = delete;
  ClipList& operator=(const ClipList&) = delete;

  // Links a copy of `value` behind the last node. A node that cannot be
  // allocated leaves the list as it was.
  void Append(const T& value) { Link(new (std::nothrow) Node{value, nullptr}); }
  // Links an empty element, made in its node: how owners of handles, which
  // cannot be copied, join a list.
  void AppendEmpty() { Link(new (std::nothrow) Node{T(), nullptr}); }

  // The element at `index`, or null outside 0 .. count - 1.
  T* At(int index) const {
    if (index < 0 || index >= count) return nullptr;
    Node* node = head;
    while (index-- > 0) node = node->next;
    return &node->element;
  }

  int Count() const { return count; }

  void Clear() {
    while (head != nullptr) {
      Node* next = head->next;
      delete head;
      head = next;
    }
    count = 0;
  }

 private:
  struct Node {
    T element;
    Node* next;
  };

  void Link(Node* node) {
    if (node == nullptr) return;
    if (head == nullptr) {
      head = node;
    } else {
      Node* last = head;
      while (last->next != nullptr) last = last->next;
      last->next = node;
    }
    count++;
  }

  Node* head = nullptr;
  int count = 0;
};
