#pragma once

#include <QStringList>

// One class, seat by seat, every name of three characters: what the
// benchmarks fill a chart or a list with.
inline const QStringList ClassNames = {
    QStringLiteral("王子涵"), QStringLiteral("李思远"), QStringLiteral("张浩然"), QStringLiteral("刘雨桐"), QStringLiteral("陈思源"),
    QStringLiteral("杨欣怡"), QStringLiteral("黄一鸣"), QStringLiteral("赵佳琪"), QStringLiteral("吴俊杰"), QStringLiteral("周子轩"),
    QStringLiteral("徐梓萱"), QStringLiteral("孙浩宇"), QStringLiteral("马晓彤"), QStringLiteral("朱文博"), QStringLiteral("胡诗涵"),
    QStringLiteral("郭明轩"), QStringLiteral("何雨泽"), QStringLiteral("高嘉怡"), QStringLiteral("林梓睿"), QStringLiteral("罗一诺"),
    QStringLiteral("郑天佑"), QStringLiteral("梁可馨"), QStringLiteral("谢宇航"), QStringLiteral("宋佳慧"), QStringLiteral("唐子墨"),
    QStringLiteral("许静怡"), QStringLiteral("韩博文"), QStringLiteral("冯心怡"), QStringLiteral("邓俊熙"), QStringLiteral("曹若曦"),
    QStringLiteral("彭昊天"), QStringLiteral("曾语嫣"), QStringLiteral("肖瑞泽"), QStringLiteral("田梦琪"), QStringLiteral("董睿哲"),
};
